#pragma once
// The part of the Win32 interface that the parsing code and the archive engine use, for
// the native Linux build that runs them under the sanitizers and libFuzzer. Text calls
// behave as on Windows (UTF-16 code units in wchar_t, U+FFFD for bad input); file calls
// go to the in-memory file system of memory_files.h; window and registry calls do nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string.h>
#include <time.h>

using BOOL = int;
using BYTE = unsigned char;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using ULONGLONG = uint64_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using HANDLE = void*;
using HKEY = struct HKEY__*;
using HMODULE = struct HINSTANCE__*;
using HINSTANCE = HMODULE;
using HWND = struct HWND__*;
struct STARTUPINFOW;  // named by the process start's options only
using REGSAM = DWORD;
using LPCWSTR = const wchar_t*;
using LPCSTR = const char*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define WINAPI

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(0xFFFFFFFF))

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_APPEND_DATA 0x00000004u
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define MOVEFILE_REPLACE_EXISTING 0x00000001u

#define CP_ACP 0
#define CP_UTF8 65001

#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_CALL_NOT_IMPLEMENTED 120L

#define TIME_ZONE_ID_UNKNOWN 0
#define TIME_ZONE_ID_STANDARD 1
#define TIME_ZONE_ID_DAYLIGHT 2
#define PM_REMOVE 0x0001
#define PM_QS_PAINT 0x00200000
#define PM_QS_POSTMESSAGE 0x00980000
#define PM_QS_SENDMESSAGE 0x00400000
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define CSTR_EQUAL 2
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258
#define INFINITE 0xFFFFFFFFu
#define STD_OUTPUT_HANDLE (static_cast<DWORD>(-11))
#define STD_ERROR_HANDLE (static_cast<DWORD>(-12))

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct SYSTEMTIME {
    WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

struct TIME_ZONE_INFORMATION {
    LONG Bias;
    wchar_t StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    wchar_t DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
};

struct POINT {
    LONG x, y;
};
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

DWORD GetLastError();
// From the process environment (UTF-8 there); the Windows length rules.
DWORD GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, DWORD capacity);
void SetLastError(DWORD error);

// Code page conversion: CP_UTF8 as Windows does it without MB_ERR_INVALID_CHARS; CP_ACP is
// taken as Latin-1 (each byte is one unit).
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, wchar_t* out, int capacity);
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* text, int length, char* out, int capacity,
                        const char* defaultChar, BOOL* usedDefault);

// Files of the in-memory file system.
DWORD GetFileAttributesW(const wchar_t* path);
BOOL SetFileAttributesW(const wchar_t* path, DWORD attributes);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write);
BOOL DosDateTimeToFileTime(WORD date, WORD time, FILETIME* out);
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone);
HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* got, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written, OVERLAPPED* overlapped);
BOOL DeleteFileW(const wchar_t* path);
BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags);

// Handles the native build never holds; closing one is refused.
BOOL CloseHandle(HANDLE handle);
BOOL FindClose(HANDLE handle);
LONG RegCloseKey(HKEY key);
BOOL FreeLibrary(HMODULE module);
BOOL UnmapViewOfFile(const void* view);
void* LocalFree(void* memory);

BOOL GetExitCodeProcess(HANDLE process, DWORD* code);

// No second thread in the native build: the routine runs at once, on the caller's.
using LPTHREAD_START_ROUTINE = DWORD (*)(void*);
HANDLE CreateThread(SECURITY_ATTRIBUTES* security, size_t stackSize, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD flags, DWORD* threadId);
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);
int CompareStringOrdinal(const wchar_t* a, int lengthA, const wchar_t* b, int lengthB, BOOL ignoreCase);

ULONGLONG GetTickCount64();
BOOL PeekMessageW(MSG* message, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* message);
intptr_t DispatchMessageW(const MSG* message);

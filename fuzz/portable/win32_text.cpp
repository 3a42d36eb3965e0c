// Code page conversion and the MSVCRT wide formatter, with the Windows results.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <cwchar>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "msvcrt.h"
#include "windows.h"

namespace {

thread_local DWORD lastError = 0;

// Windows replaces each maximal ill-formed subsequence with one U+FFFD.
void decodeUtf8(const unsigned char* s, size_t n, std::vector<uint16_t>& out) {
    size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        size_t need;
        uint32_t cp;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;  // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        size_t j = i + 1;
        size_t taken = 0;
        while (taken < need && j < n) {
            unsigned char c = s[j];
            unsigned char low = taken == 0 ? lo : 0x80, high = taken == 0 ? hi : 0xBF;
            if (c < low || c > high) break;
            cp = (cp << 6) | (c & 0x3F);
            ++j;
            ++taken;
        }
        if (taken < need) {
            out.push_back(0xFFFD);
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<uint16_t>(cp));
        }
        i = j;
    }
}

void appendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// wchar_t holds UTF-16 units on Windows; a value above 0xFFFF can only come from Linux
// code and is taken as the code point it is (or U+FFFD beyond Unicode).
void encodeUtf8(const wchar_t* s, size_t n, std::string& out) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t u = static_cast<uint32_t>(s[i]);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
            uint32_t v = static_cast<uint32_t>(s[i + 1]);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                appendUtf8(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00), out);
                ++i;
                continue;
            }
        }
        if ((u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF) u = 0xFFFD;
        appendUtf8(u, out);
    }
}

}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

int MultiByteToWideChar(UINT codePage, DWORD, const char* text, int length, wchar_t* out, int capacity) {
    if (!text || length == 0 || length < -1 || capacity < 0) {
        SetLastError(87);  // ERROR_INVALID_PARAMETER
        return 0;
    }
    size_t n = length == -1 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    std::vector<uint16_t> units;
    units.reserve(n);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (codePage == CP_UTF8)
        decodeUtf8(bytes, n, units);
    else
        units.assign(bytes, bytes + n);
    if (capacity == 0) return static_cast<int>(units.size());
    if (units.size() > static_cast<size_t>(capacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < units.size(); ++i) out[i] = static_cast<wchar_t>(units[i]);
    return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, const wchar_t* text, int length, char* out, int capacity,
                        const char*, BOOL* usedDefault) {
    if (!text || length == 0 || length < -1 || capacity < 0) {
        SetLastError(87);
        return 0;
    }
    size_t n = length == -1 ? std::wcslen(text) + 1 : static_cast<size_t>(length);
    std::string bytes;
    if (usedDefault) *usedDefault = FALSE;
    if (codePage == CP_UTF8) {
        encodeUtf8(text, n, bytes);
    } else {
        for (size_t i = 0; i < n; ++i) {
            bool fits = static_cast<uint32_t>(text[i]) <= 0xFF;
            if (!fits && usedDefault) *usedDefault = TRUE;
            bytes += fits ? static_cast<char>(text[i]) : '?';
        }
    }
    if (capacity == 0) return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<size_t>(capacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) {
    // glibc's wide printf reads %s and %c as narrow, MSVCRT's as wide: add the 'l'.
    std::wstring converted;
    for (const wchar_t* p = format; *p; ++p) {
        converted += *p;
        if (*p != L'%') continue;
        ++p;
        std::wstring flags;
        while (*p && std::wcschr(L"-+ #0123456789.*hlLjzt", *p)) flags += *p++;
        if (!*p) break;
        if (*p == L's' || *p == L'c') {
            bool narrow = flags.find(L'h') != std::wstring::npos;
            std::erase(flags, L'h');
            std::erase(flags, L'l');
            if (!narrow) flags += L'l';
        }
        converted += flags;
        converted += *p;
    }
    std::vector<wchar_t> text(256);
    int length;
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        length = std::vswprintf(text.data(), text.size(), converted.c_str(), copy);
        va_end(copy);
        if (length >= 0) break;
        if (text.size() >= (1u << 20)) return -1;
        text.resize(text.size() * 2);
    }
    size_t n = static_cast<size_t>(length);
    if (n > count) {
        std::wmemcpy(buffer, text.data(), count);
        return -1;
    }
    std::wmemcpy(buffer, text.data(), n);
    if (n < count) buffer[n] = L'\0';
    return length;
}

// ---- Window, registry and handle calls the native build never makes effective ----------

DWORD GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, DWORD capacity) {
    std::string key;
    encodeUtf8(name, std::wcslen(name), key);
    const char* value = std::getenv(key.c_str());
    if (!value) {
        SetLastError(203);  // ERROR_ENVVAR_NOT_FOUND
        return 0;
    }
    std::vector<uint16_t> units;
    decodeUtf8(reinterpret_cast<const unsigned char*>(value), std::strlen(value), units);
    if (units.size() + 1 > capacity) return static_cast<DWORD>(units.size() + 1);
    for (size_t i = 0; i < units.size(); ++i) buffer[i] = static_cast<wchar_t>(units[i]);
    buffer[units.size()] = L'\0';
    return static_cast<DWORD>(units.size());
}

int _wcsicmp(const wchar_t* a, const wchar_t* b) {
    auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
    for (;; ++a, ++b) {
        wchar_t x = fold(*a), y = fold(*b);
        if (x != y || x == 0) return x < y ? -1 : x > y ? 1 : 0;
    }
}

BOOL CloseHandle(HANDLE) { return FALSE; }
BOOL GetExitCodeProcess(HANDLE, DWORD*) { return FALSE; }
BOOL FindClose(HANDLE) { return FALSE; }
LONG RegCloseKey(HKEY) { return 6; }  // ERROR_INVALID_HANDLE
BOOL FreeLibrary(HMODULE) { return FALSE; }
BOOL UnmapViewOfFile(const void*) { return FALSE; }
void* LocalFree(void*) { return nullptr; }

ULONGLONG GetTickCount64() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec / 1000000);
}

BOOL PeekMessageW(MSG*, HWND, UINT, UINT, UINT) { return FALSE; }

HANDLE CreateThread(SECURITY_ATTRIBUTES*, size_t, LPTHREAD_START_ROUTINE start, void* parameter, DWORD, DWORD*) {
    start(parameter);
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(1));
}
DWORD MsgWaitForMultipleObjects(DWORD, const HANDLE*, BOOL, DWORD, DWORD) { return WAIT_OBJECT_0; }
int CompareStringOrdinal(const wchar_t* a, int lengthA, const wchar_t* b, int lengthB, BOOL ignoreCase) {
    if (lengthA != lengthB) return lengthA < lengthB ? 1 : 3;
    for (int i = 0; i < lengthA; ++i) {
        wint_t x = ignoreCase ? towupper(a[i]) : a[i], y = ignoreCase ? towupper(b[i]) : b[i];
        if (x != y) return x < y ? 1 : 3;
    }
    return CSTR_EQUAL;
}
BOOL TranslateMessage(const MSG*) { return FALSE; }
intptr_t DispatchMessageW(const MSG*) { return 0; }

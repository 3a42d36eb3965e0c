#pragma once
// Status of every engine object: a code (0 = fine, negative = failure) and an optional
// detail text formatted where the failure happened. Objects keep their first failure.
#include <cstdarg>
#include <memory>
#include <string>

enum ALStatusCode : int {
    AL_SUCCESS = 0,
    AL_END_OF_FILE = -1,
    AL_CANT_ALLOCATE_BUFFER = -1200,
    AL_MEMORY_ALLOCATION_FAILURE = -1999,
    AL_CANT_CREATE_ENGINE = -1998,
    AL_CANT_CREATE_STORAGE_OBJECT = -1997,
    AL_RENAME_ERROR = -1996,
    AL_CANT_OPEN_FILE = -1995,
    AL_SEEK_ERROR = -1994,
    AL_READ_ERROR = -1993,
    AL_WRITE_ERROR = -1992,
    AL_DELETE_ERROR = -1991,
    AL_ILLEGAL_PARAMETER = -1990,
    AL_INTERNAL_ERROR = -1989,
    AL_USER_ABORT = -1988,
    AL_SERVER_NOT_PRESENT = -1987,
    AL_COMPRESSION_TYPE_MISMATCH = -1986,
    AL_NEED_LENGTH = -1985,
    AL_CRC_ERROR = -1984,
    // -1983 and -1982 belong to the code space but have no meaning and print nothing.
    AL_UNKNOWN_STORAGE_OBJECT = -1981,
    AL_INVALID_ARCHIVE = -1980,
    AL_LOGIC_ERROR = -1979,
    AL_BACKUP_FAILURE = -1978,
    AL_GETSEL_ERROR = -1977,
    AL_DUPLICATE_ENTRY = -1976,
    AL_INVALID_KEY = -1975,
    AL_MISSING_CRYPTO_ENGINE = -1974,
};

class ALErrorState {
public:
    static constexpr int kDetailCapacity = 129;  // characters, terminator included
    static constexpr int kFormatBuffer = 256;    // longer formatted texts are cut here first

    ALErrorState() = default;
    ALErrorState(const ALErrorState&) = delete;
    ALErrorState& operator=(const ALErrorState&) = delete;

    // Stores the code; with a format, also the detail (cut to 128 characters). Returns the code.
    // The formats are ASCII, single bytes to keep the stub small; %s takes a wide string.
    int Set(int code, const char* format = nullptr, ...);
    int SetV(int code, const char* format, va_list args);
    void Copy(const ALErrorState& from);

    int Code() const { return code_; }
    operator int() const { return code_; }
    // The detail, else "No errors" for 0, else the text that stands for a lost detail.
    const wchar_t* Text() const;

private:
    int code_ = AL_SUCCESS;
    std::unique_ptr<wchar_t[]> detail_;
};

// printf-style formatting of a wide text into at most capacity - 1 characters (%s is a wide
// string, %ld a 32-bit number). Used for details, monitor texts and log lines alike.
// An ASCII format widened into `out` (cut to capacity - 1 characters): the stub keeps its
// formats as single bytes.
void ALWidenFormat(const char* format, wchar_t* out, size_t capacity);
std::wstring ALFormatV(size_t capacity, const wchar_t* format, va_list args);
std::wstring ALFormat(size_t capacity, const wchar_t* format, ...);

// The self-extractor's status report: the printed line for a failure code with a table row
// ("Code -1980 = 'Invalid archive'"), else an empty text (all other codes, all non-negative ones).
std::wstring ALStatusReportLine(int code);
// Writes that line, when there is one, through the caller's line writer (the self-extractor's log).
using ALLineWriter = void (*)(const wchar_t* line);
void ALReportStatus(int code, ALLineWriter writeLine);

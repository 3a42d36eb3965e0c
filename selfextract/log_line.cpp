#include "selfextract/log_line.h"

#include <stdio.h>

#include <memory>
#include <wchar.h>

#include "archive/al_status.h"

namespace ruvo {

namespace {
bool debugLogging = false;
constexpr size_t kDirectoryCapacity = 256;
constexpr size_t kMessageCapacity = 512;
wchar_t logDirectory[kDirectoryCapacity] = L"";

void writeStatusLine(const wchar_t* line) { LogLine("%s", line); }
}  // namespace

void SetDebugLogging(bool on) { debugLogging = on; }
bool DebugLogging() { return debugLogging; }

void SetLogDirectory(const wchar_t* directory) {
    wcsncpy(logDirectory, directory ? directory : L"", kDirectoryCapacity - 1);
    logDirectory[kDirectoryCapacity - 1] = L'\0';
}

const wchar_t* LogDirectory() { return logDirectory; }

std::wstring LogFilePath(const wchar_t* directory, const wchar_t* fileName) {
    return ALFormat(kDirectoryCapacity + 16, L"%s\\%s", directory, fileName);
}

std::wstring FormatLogMessage(const wchar_t* format, va_list args) { return ALFormatV(kMessageCapacity, format, args); }

void LogLine(const char* format, ...) {
    if (!debugLogging) return;
    // The formats are ASCII, kept as single bytes to keep the stub small; widened here.
    wchar_t wideFormat[kMessageCapacity];
    ALWidenFormat(format, wideFormat, kMessageCapacity);
    fflush(stdout);
    fflush(stdin);
    std::wstring path = LogFilePath(logDirectory, L"sea.log");
    va_list args;
    va_start(args, format);
    std::wstring message = FormatLogMessage(wideFormat, args);
    va_end(args);
    // Text mode: the line feed is stored as CR LF and the wide text as single-byte text.
    std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), L"a"), fclose);
    if (!file) return;
    fputws(message.c_str(), file.get());
    fputws(L"\n", file.get());
    fflush(file.get());
}

void LogArchiveStatus(int code) { ALReportStatus(code, writeStatusLine); }

}  // namespace ruvo

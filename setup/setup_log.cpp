#include "setup/setup_log.h"

#include <windows.h>

#include "common/system_error_text.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"

namespace quillsetup {
namespace {

std::wstring& logName() {
    static std::wstring name = L"setup.log";
    return name;
}

void writeAll(HANDLE handle, const std::string& bytes) {
    DWORD written = 0;
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void setLogName(const std::wstring& appId) { logName() = appId + L"-setup.log"; }

std::wstring logPath() {
    wchar_t temp[MAX_PATH + 1];
    DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, length <= MAX_PATH ? length : 0) + logName();
}

void logLine(const std::string& utf8Line) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char stamp[32];
    wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    const std::string line = utf8Line + "\r\n";
    velmora::UniqueFileHandle file(::CreateFileW(logPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) writeAll(file.get(), stamp + line);
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE) writeAll(error, line);
}

void logLine(const std::wstring& line) { logLine(velmora::wideToUtf8(line)); }

std::wstring errorText(unsigned long error) {
    std::wstring text = velmora::systemErrorText(error);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    wchar_t number[16];
    wsprintfW(number, L" (%lu)", error);
    return (text.empty() ? L"error" : text) + number;
}

}  // namespace quillsetup

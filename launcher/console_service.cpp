#include "launcher/console_service.h"

#include <windows.h>

#include "common/text_convert.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/launcher_errors.h"
#include "launcher/message_table.h"
#include "launcher/windowed_mode.h"

namespace velmora::launcher {

ConsoleService& ConsoleService::instance() {
    static ConsoleService service;
    return service;
}

void ConsoleService::setTitle(const std::wstring& text) { ::SetConsoleTitleW(text.c_str()); }

void ConsoleService::reportError(const std::wstring& text) {
    std::wstring title;
    try {
        title = message(kMsgErrorTitle);
    } catch (const StringTableException&) {
        title = L"Quillrun Error";  // never lose the report for want of its title
    }
    writeStandardText(STD_ERROR_HANDLE, title + L": " + text + L"\n");
    // The windowed launcher has no console to write to: the user sees the same text in a box.
    if (errorBoxesShown()) ::MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

namespace {
bool ownOutputToTrail = false;
}  // namespace

void setOwnOutputToTrail(bool toTrail) { ownOutputToTrail = toTrail; }

void writeOwnOutput(const std::wstring& text) {
    if (!ownOutputToTrail) {
        writeStandardText(STD_OUTPUT_HANDLE, text);
        return;
    }
    std::wstring line = text;
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    trail(line);
}

void writeStandardText(unsigned long standardHandle, const std::wstring& text) {
    HANDLE handle = ::GetStdHandle(standardHandle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = wideToUtf8(text);
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace velmora::launcher

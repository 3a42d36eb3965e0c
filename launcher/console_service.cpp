#include "launcher/console_service.h"

#include <windows.h>
#include <shellapi.h>

#include "common/system_library.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/launcher_errors.h"
#include "launcher/message_table.h"
#include "launcher/parent_console.h"
#include "launcher/windowed_mode.h"

namespace velmora::launcher {

ConsoleService& ConsoleService::instance() {
    static ConsoleService service;
    return service;
}

void ConsoleService::setTitle(const std::wstring& text) {
    // A console the windowed launcher joined is the user's: its title stays theirs.
    if (!sharesParentConsole()) ::SetConsoleTitleW(text.c_str());
}

void ConsoleService::reportError(const std::wstring& text) { reportError(text, std::wstring()); }

namespace {

// shell32 brings a large part of the shell with it, so it is loaded only when the user asks for
// the page, from the system folder.
void openPage(const std::wstring& page) {
    UniqueModule shell = LoadSystemLibrary(L"shell32.dll");
    auto execute = shell ? SystemEntry<decltype(&::ShellExecuteW)>(shell.get(), "ShellExecuteW") : nullptr;
    if (!execute) return;
    const auto result = reinterpret_cast<INT_PTR>(execute(nullptr, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    trail(L"download page " + page + (result > 32 ? L" opened" : L" could not be opened"));
}

}  // namespace

void ConsoleService::reportError(const std::wstring& text, const std::wstring& downloadPage) {
    std::wstring title;
    try {
        title = message(kMsgErrorTitle);
    } catch (const StringTableException&) {
        title = L"Quillrun Error";  // never lose the report for want of its title
    }
    writeStandardText(STD_ERROR_HANDLE, title + L": " + text + L"\n");
    // The windowed launcher has no console to write to: the user sees the same text in a box.
    if (!errorBoxesShown()) return;
    if (downloadPage.empty()) {
        ::MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return;
    }
    const std::wstring question = text + L"\n\n" + message(kMsgOpenDownloadPage);
    if (::MessageBoxW(nullptr, question.c_str(), title.c_str(), MB_YESNO | MB_ICONERROR | MB_SETFOREGROUND) == IDYES)
        openPage(downloadPage);
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

// dialog_driver: drives a running program's dialog from scripts.
//   dialog_driver wait PID [TIMEOUT_MS]     waits for its dialog, prints the window handle
// PID may also be "title=CAPTION": the first visible dialog with that caption, whoever owns it.
//   dialog_driver controls PID              prints "id visible text" per control, in UTF-8
//   dialog_driver layout PID                prints "rtl" for a mirrored dialog, else "ltr"
//   dialog_driver click PID ID              clicks a button
//   dialog_driver enter PID                 presses Enter
// Exit code 0 on success, 1 when no dialog appeared, 2 on a usage error.
#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/support/dialog_driver/dialog_driver.h"

using namespace velmora::test;

namespace {

// printf's %ls converts through the C runtime's locale and drops what that cannot hold; scripts read UTF-8.
void printUtf8(const std::wstring& text) {
    int length = static_cast<int>(text.size());
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    std::wstring command = argv[1];
    std::wstring target = argv[2];
    DWORD timeout = command == L"wait" && argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 10000;
    HWND dialog = nullptr;
    if (target.rfind(L"title=", 0) == 0) {
        // Shown only once WM_INITDIALOG has set the controls up; before, they read as in the template.
        for (DWORD waited = 0; !dialog && waited <= timeout; waited += 50) {
            dialog = ::FindWindowW(L"#32770", target.substr(6).c_str());
            if (dialog && !::IsWindowVisible(dialog)) dialog = nullptr;
            if (!dialog) ::Sleep(50);
        }
    } else {
        dialog = waitForDialog(static_cast<DWORD>(std::wcstoul(target.c_str(), nullptr, 10)), timeout);
    }
    if (!dialog) return 1;
    if (command == L"wait") {
        std::printf("%p\n", static_cast<void*>(dialog));
    } else if (command == L"controls") {
        for (const auto& control : dialogControls(dialog))
            printUtf8(std::to_wstring(control.id) + (control.visible ? L" 1 " : L" 0 ") + control.text + L"\n");
    } else if (command == L"layout") {
        std::printf("%s\n", (::GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) ? "rtl" : "ltr");
    } else if (command == L"click" && argc > 3) {
        clickButton(dialog, static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    } else if (command == L"enter") {
        pressEnter(dialog);
    } else {
        return 2;
    }
    return 0;
}

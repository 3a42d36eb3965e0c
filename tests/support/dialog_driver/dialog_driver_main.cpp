// dialog_driver: drives a running program's dialog from scripts.
//   dialog_driver wait PID [TIMEOUT_MS]     waits for its dialog, prints the window handle
// PID may also be "title=CAPTION": the first visible dialog with that caption, whoever owns it.
//   dialog_driver controls PID              prints "id visible text" per control
//   dialog_driver click PID ID              clicks a button
//   dialog_driver enter PID                 presses Enter
// Exit code 0 on success, 1 when no dialog appeared, 2 on a usage error.
#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/support/dialog_driver/dialog_driver.h"

using namespace velmora::test;

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    std::wstring command = argv[1];
    std::wstring target = argv[2];
    DWORD timeout = command == L"wait" && argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 10000;
    HWND dialog = nullptr;
    if (target.rfind(L"title=", 0) == 0) {
        for (DWORD waited = 0; !dialog && waited <= timeout; waited += 50) {
            dialog = ::FindWindowW(L"#32770", target.substr(6).c_str());
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
            std::printf("%d %d %ls\n", control.id, control.visible ? 1 : 0, control.text.c_str());
    } else if (command == L"click" && argc > 3) {
        clickButton(dialog, static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    } else if (command == L"enter") {
        pressEnter(dialog);
    } else {
        return 2;
    }
    return 0;
}

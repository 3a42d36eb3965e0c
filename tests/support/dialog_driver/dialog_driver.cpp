#include "tests/support/dialog_driver/dialog_driver.h"

namespace velmora::test {
namespace {

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !::IsWindowVisible(window)) return TRUE;
    wchar_t className[64];
    if (::GetClassNameW(window, className, 64) && std::wstring(className) == L"#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collectControl(HWND child, LPARAM lParam) {
    auto* controls = reinterpret_cast<std::vector<ControlState>*>(lParam);
    ControlState state;
    state.id = ::GetDlgCtrlID(child);
    state.visible = (::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
    wchar_t text[512] = L"";
    ::SendMessageTimeoutW(child, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    state.text = text;
    controls->push_back(state);
    return TRUE;
}

template <typename Condition>
bool waitFor(Condition condition, DWORD timeoutMs) {
    ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(20);
    }
}

}  // namespace

HWND waitForDialog(DWORD processId, DWORD timeoutMs) {
    Search search{processId, nullptr};
    waitFor(
        [&] {
            ::EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

std::vector<ControlState> dialogControls(HWND dialog) {
    std::vector<ControlState> controls;
    ::EnumChildWindows(dialog, collectControl, reinterpret_cast<LPARAM>(&controls));
    return controls;
}

bool controlVisible(HWND dialog, int id) {
    return (::GetWindowLongW(::GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring controlText(HWND dialog, int id) {
    wchar_t text[512] = L"";
    ::SendMessageTimeoutW(::GetDlgItem(dialog, id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                          2000, nullptr);
    return text;
}

bool waitForControlText(HWND dialog, int id, bool (*accept)(const std::wstring&), DWORD timeoutMs) {
    return waitFor([&] { return ::IsWindow(dialog) && accept(controlText(dialog, id)); }, timeoutMs);
}

bool waitForControlVisible(HWND dialog, int id, bool visible, DWORD timeoutMs) {
    return waitFor([&] { return ::IsWindow(dialog) && controlVisible(dialog, id) == visible; }, timeoutMs);
}

void clickButton(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void pressEnter(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus &&
        ::IsChild(dialog, info.hwndFocus))
        target = info.hwndFocus;
    ::PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ::PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

}  // namespace velmora::test

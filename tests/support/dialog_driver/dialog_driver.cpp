#include "tests/support/dialog_driver/dialog_driver.h"

#include <tlhelp32.h>

#include <algorithm>

#include "common/unique_handle.h"

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

ProcessPause::ProcessPause(DWORD processId) {
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));  // INVALID_HANDLE_VALUE on failure
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Thread32First(snapshot.get(), &entry); more;
         more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (thread && ::SuspendThread(thread.get()) != static_cast<DWORD>(-1)) threads_.push_back(std::move(thread));
    }
}

ProcessPause::~ProcessPause() {
    for (const auto& thread : threads_) ::ResumeThread(thread.get());
}

namespace {

std::wstring imageOf(DWORD processId) {
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (!process || !::QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
    return std::wstring(path, size);
}

struct DialogList {
    std::vector<HWND> dialogs;
};

BOOL CALLBACK collectDialog(HWND window, LPARAM lParam) {
    wchar_t className[64];
    if (::IsWindowVisible(window) && ::GetClassNameW(window, className, 64) && std::wstring(className) == L"#32770")
        reinterpret_cast<DialogList*>(lParam)->dialogs.push_back(window);
    return TRUE;
}

}  // namespace

DialogCloser::DialogCloser(std::wstring folder, int button)
    : folder_(std::move(folder)), button_(button), thread_([this] { watch(); }) {}

DialogCloser::~DialogCloser() { stop(); }

std::vector<DialogCloser::Shown> DialogCloser::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    return shown_;
}

void DialogCloser::watch() {
    std::vector<HWND> closed;
    while (!stopping_) {
        DialogList list;
        ::EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&list));
        for (HWND dialog : list.dialogs) {
            if (std::find(closed.begin(), closed.end(), dialog) != closed.end()) continue;
            DWORD owner = 0;
            ::GetWindowThreadProcessId(dialog, &owner);
            std::wstring image = imageOf(owner);
            if (image.size() <= folder_.size() || ::CompareStringOrdinal(image.c_str(), static_cast<int>(folder_.size()),
                                                                          folder_.c_str(), static_cast<int>(folder_.size()),
                                                                          TRUE) != CSTR_EQUAL)
                continue;
            wchar_t caption[256] = L"";
            ::SendMessageTimeoutW(dialog, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(caption), SMTO_ABORTIFHUNG, 2000,
                                  nullptr);
            shown_.push_back({caption, controlText(dialog, 0xFFFF)});
            closed.push_back(dialog);
            clickButton(dialog, button_);
        }
        ::Sleep(30);
    }
}

}  // namespace velmora::test

#include "setup/setup_window.h"

#include <commctrl.h>

#include "setup/resources/resource_ids.h"

namespace quillsetup {
namespace {

bool rightToLeft() {
    const LANGID language = PRIMARYLANGID(::GetUserDefaultUILanguage());
    return language == LANG_ARABIC || language == LANG_HEBREW;
}

INT_PTR CALLBACK progressProc(HWND, UINT message, WPARAM, LPARAM) {
    // The window only shows progress: closing it is not offered while files move.
    return message == WM_INITDIALOG;
}

}  // namespace

std::wstring loadText(HINSTANCE instance, UINT id) {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

void applyLanguageLayout() {
    if (rightToLeft()) ::SetProcessDefaultLayout(LAYOUT_RTL);
}

ProgressWindow::~ProgressWindow() { close(); }

bool ProgressWindow::open(HINSTANCE instance, const std::wstring& title, const std::wstring& text) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    window_ = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, progressProc, 0);
    if (!window_) return false;
    ::SetWindowTextW(window_, title.c_str());
    bigIcon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    if (bigIcon_) ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    if (smallIcon_) ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    ::SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 1000);
    if (rightToLeft()) {
        // The mirrored layout places the text; its reading order is the control's own style.
        HWND status = ::GetDlgItem(window_, IDC_STATUS_TEXT);
        ::SetWindowLongPtrW(status, GWL_EXSTYLE, ::GetWindowLongPtrW(status, GWL_EXSTYLE) | WS_EX_RTLREADING);
    }
    setText(text);
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::UpdateWindow(window_);
    pump();
    return true;
}

void ProgressWindow::setText(const std::wstring& text) {
    if (window_) ::SetDlgItemTextW(window_, IDC_STATUS_TEXT, text.c_str());
}

void ProgressWindow::setProgress(unsigned permille) {
    if (!window_) return;
    ::SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETPOS, permille > 1000 ? 1000 : permille, 0);
    pump();
}

void ProgressWindow::pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (window_ && ::IsDialogMessageW(window_, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

DWORD ProgressWindow::waitFor(HANDLE object, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (timeoutMs != INFINITE && elapsed >= timeoutMs) return WAIT_TIMEOUT;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : timeoutMs - elapsed;
        const DWORD result = ::MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + 1) return result;
        pump();
    }
}

void ProgressWindow::close() {
    if (window_) ::DestroyWindow(window_);
    window_ = nullptr;
    if (bigIcon_) ::DestroyIcon(bigIcon_);
    if (smallIcon_) ::DestroyIcon(smallIcon_);
    bigIcon_ = smallIcon_ = nullptr;
}

int showMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags) {
    if (rightToLeft()) flags |= MB_RTLREADING | MB_RIGHT;
    return ::MessageBoxW(owner, text.c_str(), title.c_str(), flags | MB_SETFOREGROUND);
}

}  // namespace quillsetup

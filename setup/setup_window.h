#pragma once
// The engine's window and prompts: a small progress window and message boxes in the user's
// language, mirrored for right-to-left languages. A silent run opens none of them.
#include <windows.h>

#include <string>

namespace quillsetup {

std::wstring loadText(HINSTANCE instance, UINT id);
// Right-to-left languages mirror every window of the process; call before the first one.
void applyLanguageLayout();

class ProgressWindow {
public:
    ProgressWindow() = default;
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    bool open(HINSTANCE instance, const std::wstring& title, const std::wstring& text);
    void setText(const std::wstring& text);
    void setProgress(unsigned permille);
    // Handles what is queued (painting, moving); returns at once.
    void pump();
    // Waits for `object` while the window stays responsive.
    DWORD waitFor(HANDLE object, DWORD timeoutMs);
    HWND handle() const { return window_; }
    void close();

private:
    HWND window_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};

// MessageBoxW with the language's reading order; `owner` may be null.
int showMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags);

}  // namespace quillsetup

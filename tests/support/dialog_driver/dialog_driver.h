#pragma once
// Drives another process's dialog the way a user would, through window messages: find it,
// read its controls, click buttons, press Enter.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/unique_handle.h"

namespace velmora::test {

// The first visible dialog window (class #32770) of the process; null after the time-out.
HWND waitForDialog(DWORD processId, DWORD timeoutMs);

struct ControlState {
    int id = 0;
    bool visible = false;
    std::wstring text;
};
std::vector<ControlState> dialogControls(HWND dialog);
bool controlVisible(HWND dialog, int id);
std::wstring controlText(HWND dialog, int id);
// Waits until the control's text satisfies the test; false after the time-out.
bool waitForControlText(HWND dialog, int id, bool (*accept)(const std::wstring&), DWORD timeoutMs);
bool waitForControlVisible(HWND dialog, int id, bool visible, DWORD timeoutMs);

// A click as the button sends it: WM_COMMAND with BN_CLICKED, posted.
void clickButton(HWND dialog, int id);
// Enter to the focused control of the dialog's thread, for the dialog manager to translate.
void pressEnter(HWND dialog);

// While it lives, every thread of the process is suspended: what is posted to it waits in its
// queue, so a test can place a request before the process runs on.
class ProcessPause {
public:
    explicit ProcessPause(DWORD processId);
    ~ProcessPause();
    ProcessPause(const ProcessPause&) = delete;
    ProcessPause& operator=(const ProcessPause&) = delete;

private:
    std::vector<UniqueKernelHandle> threads_;
};

// While it lives, closes (with `button`, OK unless given) every dialog shown by a program whose
// file lies below `folder`, such as a message box, and keeps its caption and text (control
// 0xFFFF, a message box's).
class DialogCloser {
public:
    struct Shown {
        std::wstring caption;
        std::wstring text;
    };
    explicit DialogCloser(std::wstring folder, int button = IDOK);
    ~DialogCloser();
    DialogCloser(const DialogCloser&) = delete;
    DialogCloser& operator=(const DialogCloser&) = delete;
    // Stops watching; what was shown, in order.
    std::vector<Shown> stop();

private:
    void watch();
    std::wstring folder_;
    int button_;
    std::atomic<bool> stopping_{false};
    std::vector<Shown> shown_;
    std::thread thread_;
};

}  // namespace velmora::test

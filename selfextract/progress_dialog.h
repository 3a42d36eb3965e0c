#pragma once
// The progress dialog "PROGRESSINDICATOR": percentage, bar, and the panels that failures
// show. It starts the extraction shortly after it opens and again for a folder picked with
// Choose, and ends once the launcher runs or the user cancels.
#include <windows.h>

#include "selfextract/dialog_scaling.h"
#include "selfextract/extraction_view.h"
#include "selfextract/extractor_state.h"

namespace ruvo {

class ProgressDialog : public LoggingView {
public:
    explicit ProgressDialog(ExtractorState& state) : LoggingView(state), state_(state) {}
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    // Modal, without owner; returns when the dialog has ended.
    void Run(HINSTANCE instance);

    void ShowWorkingLook() override;
    void ShowErrorPanel(UINT id) override;
    void ShowNoSpacePanel() override;
    void ShowRetryPanel(const std::wstring& mainText) override;
    void UpdateProgress(int percent) override;
    void PumpMessages() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Initialise();
    void Extract();
    void ChooseFolder();
    void Show(int id, bool visible) const;
    void SetText(int id, const std::wstring& text) const;

    ExtractorState& state_;
    HWND window_ = nullptr;
    DialogScaling scaling_;
};

}  // namespace ruvo

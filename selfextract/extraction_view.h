#pragma once
// What an extraction shows while it runs: the progress dialog is one view, silent and
// console runs another that only writes the log lines.
#include <windows.h>

#include <string>

#include "selfextract/extractor_state.h"

namespace ruvo {

class ExtractionView {
public:
    virtual ~ExtractionView() = default;

    virtual void ShowWorkingLook() = 0;
    virtual void ShowErrorPanel(UINT id) = 0;
    virtual void ShowNoSpacePanel() = 0;
    virtual void ShowRetryPanel(const std::wstring& mainText) = 0;
    virtual void UpdateProgress(int percent) = 0;
    // Handles input that waits while the archive engine works, so that Cancel stays usable.
    virtual void PumpMessages() = 0;
};

// Silent and console runs: every panel writes its log lines, nothing is shown.
class LoggingView : public ExtractionView {
public:
    explicit LoggingView(const ExtractorState& state) : state_(state) {}

    void ShowWorkingLook() override;
    void ShowErrorPanel(UINT id) override;
    void ShowNoSpacePanel() override;
    void ShowRetryPanel(const std::wstring& mainText) override;
    void UpdateProgress(int) override {}
    void PumpMessages() override {}

protected:
    std::wstring Text(UINT id) const;

private:
    const ExtractorState& state_;
};

// "37%".
std::wstring PercentText(int percent);
// The percentage a monitor report moves the bar to, or -1 to ignore the report (messages,
// entry names, and anything before the first percent).
int PercentToShow(int objectPercent, int jobPercent);
// Texts of error panels 2, 14 and 17 ask for another folder and offer Choose.
bool OffersChoose(UINT id);

}  // namespace ruvo

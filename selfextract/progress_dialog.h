#pragma once
// The progress dialog "PROGRESSINDICATOR": percentage, bar, and the panels that failures
// show. In silent and console mode there is no dialog and the panels only write their log
// lines.
#include <windows.h>

#include <string>

namespace ruvo {

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A string resource of the program (510 characters at most).
std::wstring LoadText(UINT id);

void ShowWorkingLook();
void ShowErrorPanel(UINT id);
void ShowNoSpacePanel();
void ShowRetryPanel(const std::wstring& mainText);
void UpdateProgress(int percent);

// "37%".
std::wstring PercentText(int percent);
// The percentage a monitor report moves the bar to, or -1 to ignore the report (messages,
// entry names, and anything before the first percent).
int PercentToShow(int objectPercent, int jobPercent);
// Texts of error panels 2, 14 and 17 ask for another folder and offer Choose.
bool OffersChoose(UINT id);

}  // namespace ruvo

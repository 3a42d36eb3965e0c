#include "selfextract/progress_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <memory>

#include "selfextract/decimal_text.h"
#include "selfextract/extractor_state.h"
#include "selfextract/log_line.h"
#include "selfextract/resources/resource_ids.h"
#include "selfextract/run_extraction.h"
#include "selfextract/system_library.h"

namespace ruvo {

namespace {

constexpr UINT_PTR kStartTimer = 1;
constexpr UINT kStartDelayMs = 100;
constexpr int kTextCapacity = 510;
// The footer strip's text; empty in this product.
constexpr wchar_t kFooterText[] = L"";

void Show(int id, bool visible) {
    if (dialogHandle) ::ShowWindow(::GetDlgItem(dialogHandle, id), visible ? SW_SHOW : SW_HIDE);
}

void SetText(int id, const std::wstring& text) {
    if (dialogHandle) ::SetDlgItemTextW(dialogHandle, id, text.c_str());
}

struct ComRelease {
    void operator()(IMalloc* allocator) const { allocator->Release(); }
};

// The shell's folder browser expects COM on the calling thread.
struct ComApartment {
    bool initialised = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ~ComApartment() {
        if (initialised) ::CoUninitialize();
    }
};

void ChooseFolder(HWND dialog) {
    ComApartment com;
    IMalloc* rawAllocator = nullptr;
    if (FAILED(::SHGetMalloc(&rawAllocator)) || !rawAllocator) return;
    std::unique_ptr<IMalloc, ComRelease> allocator(rawAllocator);
    std::wstring title = LoadText(IDS_CHOOSER_TITLE);
    BROWSEINFOW browse{};
    browse.hwndOwner = dialog;
    browse.pidlRoot = nullptr;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    LPITEMIDLIST picked = ::SHBrowseForFolderW(&browse);
    if (!picked) return;
    wchar_t path[MAX_PATH + 1] = L"";
    bool hasPath = ::SHGetPathFromIDListW(picked, path) != FALSE;
    allocator->Free(picked);
    if (!hasPath) return;
    chosenBaseDirectory = path;
    if (RunExtraction()) ::EndDialog(dialog, 0);
}

BOOL DrawFooter(const DRAWITEMSTRUCT& item) {
    velmora::UniqueModule kernel = LoadSystemLibrary(L"\\kernel32.dll");
    if (!kernel) return FALSE;
    using LocaleInfo = int(WINAPI*)(LCID, LCTYPE, LPWSTR, int);
    auto localeInfo = reinterpret_cast<LocaleInfo>(::GetProcAddress(kernel.get(), "GetLocaleInfoW"));
    DWORD codePage = 0;
    if (localeInfo)
        localeInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(wchar_t));
    // Arabic and Hebrew systems read the strip right to left.
    UINT format = (codePage == 1256 || codePage == 1255) ? DT_RTLREADING : DT_WORDBREAK;
    RECT rect = item.rcItem;
    ::FillRect(item.hDC, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::DrawTextW(item.hDC, kFooterText, -1, &rect, format);
    return TRUE;
}

}  // namespace

std::wstring LoadText(UINT id) {
    wchar_t buffer[kTextCapacity];
    int length = ::LoadStringW(instanceHandle, id, buffer, kTextCapacity);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring PercentText(int percent) { return DecimalText(percent) + L"%"; }

int PercentToShow(int objectPercent, int jobPercent) {
    if (objectPercent == -1 && jobPercent == -1) return -1;
    return jobPercent > 0 ? jobPercent : -1;
}

bool OffersChoose(UINT id) { return id == IDS_NO_FREE_SPACE || id == IDS_NOT_ENOUGH_ROOM || id == IDS_OUT_OF_SPACE; }

// The activity line lies on the main text's second line. The main text comes first in the
// template, so it sits above and, repainting its whole rectangle, would hide the line.
void KeepActivityLineVisible(HWND dialog) {
    HWND mainText = ::GetDlgItem(dialog, IDC_MAIN_TEXT);
    ::SetWindowLongPtrW(mainText, GWL_STYLE, ::GetWindowLongPtrW(mainText, GWL_STYLE) | WS_CLIPSIBLINGS);
    ::SetWindowPos(::GetDlgItem(dialog, IDC_ACTIVITY_TEXT), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ShowWorkingLook() {
    LogLine(L"Dialog: Preparing to install...");
    if (!dialogHandle) return;
    SetText(IDC_MAIN_TEXT, LoadText(IDS_PREPARING));
    SetText(IDC_SECONDARY_TEXT, L"");
    for (int id : {IDC_ACTIVITY_TEXT, IDC_PERCENT, IDC_WORKING_ICON, IDC_PROGRESS, IDC_SECONDARY_TEXT}) Show(id, true);
    for (int id : {IDC_CHOOSE, IDC_ERROR_ICON, IDC_RETRY_ICON}) Show(id, false);
}

void ShowErrorPanel(UINT id) {
    std::wstring mainText = LoadText(id);
    std::wstring secondary = LoadText(OffersChoose(id) ? IDS_SELECT_TEMPORARY : IDS_GET_ANOTHER_COPY);
    if (dialogHandle) {
        SetText(IDC_MAIN_TEXT, mainText);
        SetText(IDC_SECONDARY_TEXT, secondary);
        Show(IDC_SECONDARY_TEXT, true);
        Show(IDC_ERROR_ICON, true);
        Show(IDC_CHOOSE, OffersChoose(id));
        for (int hidden : {IDC_PERCENT, IDC_WORKING_ICON, IDC_RETRY_ICON, IDC_PROGRESS, IDC_ACTIVITY_TEXT})
            Show(hidden, false);
    }
    LogLine(L"*** Error %ld: '%s' ***", static_cast<long>(id), mainText.c_str());
    LogLine(L"*** Secondary error string: '%s' ***", secondary.c_str());
}

void ShowNoSpacePanel() {
    if (dialogHandle) {
        SetText(IDC_MAIN_TEXT, LoadText(IDS_NO_FREE_SPACE));
        SetText(IDC_SECONDARY_TEXT, LoadText(IDS_SELECT_TEMPORARY));
        Show(IDC_SECONDARY_TEXT, true);
        Show(IDC_CHOOSE, true);
        for (int hidden : {IDC_ACTIVITY_TEXT, IDC_PERCENT, IDC_PROGRESS}) Show(hidden, false);
    }
    LogLine(L"Dialog: There is not enough free disk in the temporary folder.");
    LogLine(L"Dialog: Please select a temporary location to extract the installer to:");
}

void ShowRetryPanel(const std::wstring& mainText) {
    if (dialogHandle) {
        SetText(IDC_MAIN_TEXT, mainText);
        SetText(IDC_SECONDARY_TEXT, LoadText(IDS_SELECT_ANOTHER));
        for (int id : {IDC_SECONDARY_TEXT, IDC_CHOOSE, IDC_RETRY_ICON}) Show(id, true);
        for (int id : {IDC_ACTIVITY_TEXT, IDC_PERCENT, IDC_WORKING_ICON, IDC_PROGRESS}) Show(id, false);
    }
    LogLine(L"Dialog: Please select another location to extract the installer to:");
}

void UpdateProgress(int percent) {
    if (!dialogHandle) return;
    SetText(IDC_PERCENT, PercentText(percent));
    ::SendDlgItemMessageW(dialogHandle, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            instanceHandle = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
            ::SetTimer(dialog, kStartTimer, kStartDelayMs, nullptr);
            dialogHandle = dialog;
            ::SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
            ::SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
            SetText(IDC_SECONDARY_TEXT, L"");
            Show(IDC_WORKING_ICON, true);
            Show(IDC_ERROR_ICON, false);
            Show(IDC_RETRY_ICON, false);
            KeepActivityLineVisible(dialog);
            return TRUE;
        case WM_TIMER:
            if (wParam != kStartTimer) return FALSE;
            ::KillTimer(dialog, kStartTimer);
            chosenBaseDirectory.clear();
            if (RunExtraction()) ::EndDialog(dialog, 0);
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:  // Enter reaches the hidden default button: it cancels too
                case IDCANCEL:
                    abortRequested = true;
                    ::EndDialog(dialog, 0);
                    return TRUE;
                case IDC_CHOOSE:
                    ChooseFolder(dialog);
                    return FALSE;
            }
            return FALSE;
        case WM_DRAWITEM:
            if (wParam != IDC_FOOTER) return FALSE;
            return DrawFooter(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    }
    return FALSE;
}

}  // namespace ruvo

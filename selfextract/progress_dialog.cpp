#include "selfextract/progress_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <memory>

#include "common/system_library.h"
#include "selfextract/resources/resource_ids.h"
#include "selfextract/run_extraction.h"

namespace ruvo {

namespace {

constexpr UINT_PTR kStartTimer = 1;
constexpr UINT kStartDelayMs = 100;
// The footer strip's text; empty in this product.
constexpr wchar_t kFooterText[] = L"";

// The controls whose text the templates hold in English, and the string with the user's wording.
constexpr struct {
    int control;
    UINT text;
} kTranslatedTexts[] = {
    {IDC_MAIN_TEXT, IDS_PREPARING}, {IDC_ACTIVITY_TEXT, IDS_EXTRACTING}, {IDCANCEL, IDS_CANCEL}, {IDC_CHOOSE, IDS_CHOOSE}};

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

BOOL DrawFooter(const DRAWITEMSTRUCT& item) {
    velmora::UniqueModule kernel = velmora::LoadSystemLibrary(L"\\kernel32.dll");
    if (!kernel) return FALSE;
    using LocaleInfo = int(WINAPI*)(LCID, LCTYPE, LPWSTR, int);
    auto localeInfo = velmora::SystemEntry<LocaleInfo>(kernel.get(), "GetLocaleInfoW");
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

// The activity line lies on the main text's second line. The main text comes first in the
// template, so it sits above and, repainting its whole rectangle, would hide the line.
void KeepActivityLineVisible(HWND dialog) {
    HWND mainText = ::GetDlgItem(dialog, IDC_MAIN_TEXT);
    ::SetWindowLongPtrW(mainText, GWL_STYLE, ::GetWindowLongPtrW(mainText, GWL_STYLE) | WS_CLIPSIBLINGS);
    ::SetWindowPos(::GetDlgItem(dialog, IDC_ACTIVITY_TEXT), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

void ProgressDialog::Run(HINSTANCE instance) {
    ::DialogBoxParamW(instance, L"" IDD_PROGRESSINDICATOR_NAME, nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
}

INT_PTR CALLBACK ProgressDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<ProgressDialog*>(lParam)->window_ = dialog;
    }
    auto* self = reinterpret_cast<ProgressDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR ProgressDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            Initialise();
            return TRUE;
        case WM_TIMER:
            if (wParam != kStartTimer) return FALSE;
            ::KillTimer(window_, kStartTimer);
            // The dialog manager shows the dialog once its queue first runs empty; on a slow
            // start the timer comes first, and the extraction would run with the dialog unseen.
            ::ShowWindow(window_, SW_SHOW);
            state_.chosenBaseDirectory.clear();
            Extract();
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:  // Enter reaches the hidden default button: it cancels too
                case IDCANCEL:
                    state_.abortRequested = true;
                    ::EndDialog(window_, 0);
                    return TRUE;
                case IDC_CHOOSE:
                    ChooseFolder();
                    return FALSE;
            }
            return FALSE;
        case WM_DRAWITEM:
            if (wParam != IDC_FOOTER) return FALSE;
            return DrawFooter(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_DPICHANGED:  // moved to a monitor with other scaling
            scaling_.Rescale(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return TRUE;
    }
    return FALSE;
}

void ProgressDialog::Initialise() {
    state_.instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    ::SetTimer(window_, kStartTimer, kStartDelayMs, nullptr);
    ::SendDlgItemMessageW(window_, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
    ::SendDlgItemMessageW(window_, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
    // Before the dialog is first shown, so that it never appears in English for a moment. A
    // string that cannot be loaded leaves the template's English text.
    for (const auto& translated : kTranslatedTexts) {
        std::wstring text = Text(translated.text);
        if (!text.empty()) SetText(translated.control, text);
    }
    SetText(IDC_SECONDARY_TEXT, L"");
    Show(IDC_WORKING_ICON, true);
    Show(IDC_ERROR_ICON, false);
    Show(IDC_RETRY_ICON, false);
    KeepActivityLineVisible(window_);
    scaling_.Attach(window_);
}

void ProgressDialog::Extract() {
    if (RunExtraction(state_, *this)) ::EndDialog(window_, 0);
}

void ProgressDialog::ChooseFolder() {
    ComApartment com;
    IMalloc* rawAllocator = nullptr;
    if (FAILED(::SHGetMalloc(&rawAllocator)) || !rawAllocator) return;
    std::unique_ptr<IMalloc, ComRelease> allocator(rawAllocator);
    std::wstring title = Text(IDS_CHOOSER_TITLE);
    BROWSEINFOW browse{};
    browse.hwndOwner = window_;
    browse.pidlRoot = nullptr;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    LPITEMIDLIST picked = ::SHBrowseForFolderW(&browse);
    if (!picked) return;
    wchar_t path[MAX_PATH + 1] = L"";
    bool hasPath = ::SHGetPathFromIDListW(picked, path) != FALSE;
    allocator->Free(picked);
    if (!hasPath) return;
    state_.chosenBaseDirectory = path;
    Extract();
}

void ProgressDialog::Show(int id, bool visible) const {
    ::ShowWindow(::GetDlgItem(window_, id), visible ? SW_SHOW : SW_HIDE);
}

void ProgressDialog::SetText(int id, const std::wstring& text) const {
    ::SetDlgItemTextW(window_, id, text.c_str());
}

void ProgressDialog::ShowWorkingLook() {
    LoggingView::ShowWorkingLook();
    SetText(IDC_MAIN_TEXT, Text(IDS_PREPARING));
    SetText(IDC_SECONDARY_TEXT, L"");
    for (int id : {IDC_ACTIVITY_TEXT, IDC_PERCENT, IDC_WORKING_ICON, IDC_PROGRESS, IDC_SECONDARY_TEXT}) Show(id, true);
    for (int id : {IDC_CHOOSE, IDC_ERROR_ICON, IDC_RETRY_ICON}) Show(id, false);
}

void ProgressDialog::ShowErrorPanel(UINT id) {
    SetText(IDC_MAIN_TEXT, Text(id));
    SetText(IDC_SECONDARY_TEXT, Text(OffersChoose(id) ? IDS_SELECT_TEMPORARY : IDS_GET_ANOTHER_COPY));
    Show(IDC_SECONDARY_TEXT, true);
    Show(IDC_ERROR_ICON, true);
    Show(IDC_CHOOSE, OffersChoose(id));
    for (int hidden : {IDC_PERCENT, IDC_WORKING_ICON, IDC_RETRY_ICON, IDC_PROGRESS, IDC_ACTIVITY_TEXT})
        Show(hidden, false);
    LoggingView::ShowErrorPanel(id);
}

void ProgressDialog::ShowNoSpacePanel() {
    SetText(IDC_MAIN_TEXT, Text(IDS_NO_FREE_SPACE));
    SetText(IDC_SECONDARY_TEXT, Text(IDS_SELECT_TEMPORARY));
    Show(IDC_SECONDARY_TEXT, true);
    Show(IDC_CHOOSE, true);
    for (int hidden : {IDC_ACTIVITY_TEXT, IDC_PERCENT, IDC_PROGRESS}) Show(hidden, false);
    LoggingView::ShowNoSpacePanel();
}

void ProgressDialog::ShowRetryPanel(const std::wstring& mainText) {
    SetText(IDC_MAIN_TEXT, mainText);
    SetText(IDC_SECONDARY_TEXT, Text(IDS_SELECT_ANOTHER));
    for (int id : {IDC_SECONDARY_TEXT, IDC_CHOOSE, IDC_RETRY_ICON}) Show(id, true);
    for (int id : {IDC_ACTIVITY_TEXT, IDC_PERCENT, IDC_WORKING_ICON, IDC_PROGRESS}) Show(id, false);
    LoggingView::ShowRetryPanel(mainText);
}

void ProgressDialog::UpdateProgress(int percent) {
    SetText(IDC_PERCENT, PercentText(percent));
    ::SendDlgItemMessageW(window_, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

// Waiting messages go through the dialog manager first, so that Enter and Escape work while
// the engine runs (its own pump then finds the queue empty).
void ProgressDialog::PumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (::IsDialogMessageW(window_, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace ruvo

#include "selfextract/dialog_scaling.h"

#include <cstdlib>
#include <iterator>
#include <utility>

#include "common/system_library.h"
#include "selfextract/resources/resource_ids.h"

namespace ruvo {

namespace {

constexpr struct {
    int control;
    WORD icon;
} kIcons[] = {{IDC_WORKING_ICON, IDI_WORKING}, {IDC_ERROR_ICON, IDI_FAILURE}, {IDC_RETRY_ICON, IDI_RETRY}};
constexpr int kIconSizeAt96Dpi = 32;
constexpr int kPointsPerInch = 72;

// Calls that older systems lack: per-window DPI (Windows 10 1607), the dialog manager's own
// rescaling (1703), loading an icon by scaling a larger image down (Vista, Common Controls 6).
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
    return velmora::SystemEntry<Function>(::GetModuleHandleW(module), name);
}

UINT WindowDpi(HWND window) {
    if (auto dpiForWindow = SystemFunction<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow"))
        return dpiForWindow(window);
    HDC dc = ::GetDC(window);
    int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);  // one DPI for every window before Windows 10
    ::ReleaseDC(window, dc);
    return static_cast<UINT>(dpi);
}

// The dialog base units of a font as the dialog manager computes them: half the average width
// of the Latin letters, rounded, and the line height.
SIZE BaseUnits(HWND window, HFONT font) {
    HDC dc = ::GetDC(window);
    HGDIOBJ previous = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    SIZE letters{};
    ::GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    ::SelectObject(dc, previous);
    ::ReleaseDC(window, dc);
    return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

// Pixels laid out from dialog units with one font's base unit, laid out again with another's;
// `units` is 4 across and 8 down. Exact as long as a dialog unit spans more than a pixel.
int Relaid(LONG pixels, LONG fromBase, LONG toBase, int units) {
    return ::MulDiv(::MulDiv(pixels, units, fromBase), toBase, units);
}

}  // namespace

void DialogScaling::Attach(HWND dialog) {
    dialog_ = dialog;
    dpi_ = WindowDpi(dialog);
    using ChangeBehaviour = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    if (auto setBehaviour = SystemFunction<ChangeBehaviour>(L"user32.dll", "SetDialogDpiChangeBehavior"))
        setBehaviour(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
    LoadIcons();
}

void DialogScaling::LoadIcons() {
    int size = ::MulDiv(kIconSizeAt96Dpi, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
    auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(dialog_, GWLP_HINSTANCE));
    using ScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    auto scaleDown = SystemFunction<ScaleDown>(L"comctl32.dll", "LoadIconWithScaleDown");
    if (!scaleDown) return;  // Common Controls before 6: the controls keep the template's icons
    for (size_t i = 0; i < std::size(kIcons); ++i) {
        velmora::UniqueIcon icon;
        scaleDown(instance, MAKEINTRESOURCEW(kIcons[i].icon), size, size, icon.receive());
        if (!icon) continue;
        // The control takes the icon's size; the icon it showed before is no longer used.
        ::SendDlgItemMessageW(dialog_, kIcons[i].control, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
        icons_[i] = std::move(icon);
    }
}

void DialogScaling::Rescale(UINT dpi, const RECT& suggested) {
    HFONT current = font_ ? font_.get() : reinterpret_cast<HFONT>(::SendMessageW(dialog_, WM_GETFONT, 0, 0));
    LOGFONTW description;
    if (dpi == dpi_ || !current || !::GetObjectW(current, sizeof description, &description)) return;
    // The template's point size, in pixels of the new DPI.
    int points = ::MulDiv(std::abs(description.lfHeight), kPointsPerInch, static_cast<int>(dpi_));
    description.lfHeight = -::MulDiv(points, static_cast<int>(dpi), kPointsPerInch);
    velmora::UniqueFont font(::CreateFontIndirectW(&description));
    if (!font) return;
    SIZE from = BaseUnits(dialog_, current);
    SIZE to = BaseUnits(dialog_, font.get());
    RECT client;
    ::GetClientRect(dialog_, &client);
    SIZE wanted = {Relaid(client.right, from.cx, to.cx, 4), Relaid(client.bottom, from.cy, to.cy, 8)};

    for (HWND child = ::GetWindow(dialog_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        ::GetWindowRect(child, &place);
        ::MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&place), 2);
        if (place.left > place.right) std::swap(place.left, place.right);  // mirrored dialogs
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        ::SetWindowPos(child, nullptr, Relaid(place.left, from.cx, to.cx, 4), Relaid(place.top, from.cy, to.cy, 8),
                       Relaid(place.right - place.left, from.cx, to.cx, 4),
                       Relaid(place.bottom - place.top, from.cy, to.cy, 8), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Where the system suggests, with the frame it draws at the new DPI, and a client area as
    // large as the template's at the new font: text and dialog units do not grow exactly with
    // the DPI, so the suggested size alone could cut the right and bottom edges off.
    ::SetWindowPos(dialog_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetClientRect(dialog_, &client);
    ::SetWindowPos(dialog_, nullptr, 0, 0, suggested.right - suggested.left + wanted.cx - client.right,
                   suggested.bottom - suggested.top + wanted.cy - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    font_ = std::move(font);
    dpi_ = dpi;
    LoadIcons();
    ::InvalidateRect(dialog_, nullptr, TRUE);
}

}  // namespace ruvo

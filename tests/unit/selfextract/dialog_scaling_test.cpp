// The progress dialog moved to a monitor with twice the scaling is laid out again as the dialog
// manager lays it out when it creates the dialog there. Wine gives one DPI to the whole session, so
// the reference is the same template with twice the point size at this DPI: 16 points at 96 DPI
// are the pixels of 8 points at 192 DPI, and dialog units follow the font.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "selfextract/dialog_scaling.h"
#include "selfextract/resources/resource_ids.h"
#include "tests/support/test_paths.h"

using namespace velmora;
using namespace velmora::test;

namespace {

INT_PTR CALLBACK scaledDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<ruvo::DialogScaling*>(lParam)->Attach(dialog);
        return TRUE;
    }
    auto* scaling = reinterpret_cast<ruvo::DialogScaling*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_DPICHANGED && scaling) {
        scaling->Rescale(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK plainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Where a template keeps its point size: after the header and the menu, class and caption fields.
size_t pointSizeOffset(const BYTE* data) {
    bool extended = reinterpret_cast<const WORD*>(data)[1] == 0xFFFF;
    auto* field = reinterpret_cast<const WORD*>(data + (extended ? 26 : 18));
    for (int skipped = 0; skipped < 3; ++skipped) {
        if (*field == 0xFFFF) {
            field += 2;
        } else {
            while (*field) ++field;
            ++field;
        }
    }
    return reinterpret_cast<const BYTE*>(field) - data;
}

// A control's rectangle in the dialog's client coordinates (mirrored ones counted from the right).
RECT placeOf(HWND dialog, HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    return rect;
}

std::string describe(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right - rect.left) +
           "x" + std::to_string(rect.bottom - rect.top);
}

LONG fontHeightOf(HWND window) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

// Width of the icon a static control shows.
int iconWidthOf(HWND dialog, int id) {
    auto icon = reinterpret_cast<HICON>(::SendDlgItemMessageW(dialog, id, STM_GETICON, 0, 0));
    ICONINFO parts{};
    if (!icon || !::GetIconInfo(icon, &parts)) return 0;
    BITMAP bitmap{};
    ::GetObjectW(parts.hbmColor ? parts.hbmColor : parts.hbmMask, sizeof bitmap, &bitmap);
    if (parts.hbmColor) ::DeleteObject(parts.hbmColor);
    ::DeleteObject(parts.hbmMask);
    return bitmap.bmWidth;
}

bool isIcon(int id) { return id == IDC_WORKING_ICON || id == IDC_ERROR_ICON || id == IDC_RETRY_ICON; }

struct DestroyOnExit {
    HWND window;
    ~DestroyOnExit() {
        if (window) ::DestroyWindow(window);
    }
};

}  // namespace

class DialogScalingTest : public ::testing::TestWithParam<LANGID> {};

TEST_P(DialogScalingTest, MovedToTwiceTheDpiItIsLaidOutAsIfCreatedThere) {
    UniqueModule program(::LoadLibraryExW(distProgram(L"ruvo.exe").c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program.valid());
    HRSRC found = ::FindResourceExW(program.get(), RT_DIALOG, L"" IDD_PROGRESSINDICATOR_NAME, GetParam());
    ASSERT_TRUE(found);
    auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(program.get(), found)));
    size_t size = ::SizeofResource(program.get(), found);
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);

    ruvo::DialogScaling scaling;
    DestroyOnExit moved{::CreateDialogIndirectParamW(program.get(), reinterpret_cast<LPCDLGTEMPLATEW>(data), nullptr,
                                                     scaledDialog, reinterpret_cast<LPARAM>(&scaling))};
    ASSERT_TRUE(moved.window);
    for (int id : {IDC_WORKING_ICON, IDC_ERROR_ICON, IDC_RETRY_ICON})
        EXPECT_EQ(iconWidthOf(moved.window, id), MulDiv(32, dpi, USER_DEFAULT_SCREEN_DPI)) << "opened, icon " << id;

    RECT before;
    ::GetWindowRect(moved.window, &before);
    RECT suggested{before.left + 10, before.top + 20, before.left + 10 + 2 * (before.right - before.left),
                   before.top + 20 + 2 * (before.bottom - before.top)};
    ::SendMessageW(moved.window, WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&suggested));

    std::vector<BYTE> doubled(data, data + size);
    WORD points = 0;
    memcpy(&points, data + pointSizeOffset(data), sizeof points);
    ASSERT_EQ(points, 8);
    points *= 2;
    memcpy(doubled.data() + pointSizeOffset(data), &points, sizeof points);
    DestroyOnExit reference{::CreateDialogIndirectParamW(
        program.get(), reinterpret_cast<LPCDLGTEMPLATEW>(doubled.data()), nullptr, plainDialog, 0)};
    ASSERT_TRUE(reference.window);

    RECT after, movedClient, referenceClient;
    ::GetWindowRect(moved.window, &after);
    EXPECT_EQ(after.left, suggested.left);
    EXPECT_EQ(after.top, suggested.top);
    ::GetClientRect(moved.window, &movedClient);
    ::GetClientRect(reference.window, &referenceClient);
    EXPECT_EQ(describe(movedClient), describe(referenceClient)) << "client area";

    int compared = 0;
    for (HWND child = ::GetWindow(reference.window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(child);
        HWND twin = ::GetDlgItem(moved.window, id);
        ASSERT_TRUE(twin) << id;
        RECT want = placeOf(reference.window, child), got = placeOf(moved.window, twin);
        if (isIcon(id)) {
            // The icon control takes its icon's size: twice the opened one, not stretched.
            EXPECT_EQ(got.left, want.left) << id;
            EXPECT_EQ(got.top, want.top) << id;
            EXPECT_EQ(got.right - got.left, MulDiv(64, dpi, USER_DEFAULT_SCREEN_DPI)) << id;
            EXPECT_EQ(iconWidthOf(moved.window, id), MulDiv(64, dpi, USER_DEFAULT_SCREEN_DPI)) << id;
        } else {
            EXPECT_EQ(describe(got), describe(want)) << id;
            EXPECT_EQ(fontHeightOf(twin), fontHeightOf(child)) << id;
        }
        ++compared;
    }
    EXPECT_EQ(compared, 13);
}

// English, and Arabic, whose dialog is mirrored.
INSTANTIATE_TEST_SUITE_P(Languages, DialogScalingTest,
                         ::testing::Values(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                           MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA)));

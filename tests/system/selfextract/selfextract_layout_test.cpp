// Every text of the progress dialog must fit its control, measured in the dialog as the system
// creates it for each language: with the font it is given and that font's dialog units. Wine
// chooses the font by the system code page, so each run measures the languages of the code page
// of its locale, and the build runs the test once per code page, at 100 %, 150 % and 200 % display
// scaling (see CMakeLists.txt).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "tests/support/string_table.h"
#include "tests/support/test_paths.h"
#include "tests/system/selfextract/ruvo_resource_numbers.h"
#include "tests/system/selfextract/shipped_languages.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// What the program puts into each control: a string of the language's table, a literal, or
// (string 0, no literal) the control's own text from the template. The default button stays
// hidden and the owner-drawn footer is empty; the chooser's title is not in this dialog.
struct Shown {
    int control;
    UINT string;
    const wchar_t* literal;
};

const Shown kShown[] = {
    {kMainTextControl, kPreparingString, nullptr},  // above the activity text: one line only
    {kMainTextControl, kNoFreeSpaceString, nullptr},
    {kMainTextControl, kCannotExtractString, nullptr},
    {kMainTextControl, kNoExeNameBufferString, nullptr},
    {kMainTextControl, kCannotCheckSpaceString, nullptr},
    {kMainTextControl, kNotEnoughRoomString, nullptr},
    {kMainTextControl, kOutOfSpaceString, nullptr},
    {kMainTextControl, kCannotExecuteString, nullptr},
    {kMainTextControl, kCannotWriteSeaLocString, nullptr},
    {kSecondaryTextControl, kGetAnotherCopyString, nullptr},
    {kSecondaryTextControl, kSelectTemporaryString, nullptr},
    {kSecondaryTextControl, kSelectAnotherString, nullptr},
    {kActivityTextControl, kExtractingString, nullptr},
    {kPercentControl, 0, L"100%"},
    {kBlankLabelControl, 0, nullptr},
    {IDCANCEL, kCancelString, nullptr},
    {kChooseControl, kChooseString, nullptr},
};

UINT codePageOfLocale(LCID locale) {
    DWORD codePage = 0;
    if (!::GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                          reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(wchar_t)))
        return 0;
    return codePage;
}

UINT codePageOf(const Language& language) { return codePageOfLocale(MAKELCID(language.id, SORT_DEFAULT)); }

// "de_DE.UTF-8" -> the ANSI code page of de-DE; 0 when the name means nothing to the system.
UINT codePageOfUnixLocale(std::string name) {
    name = name.substr(0, name.find('.'));
    std::replace(name.begin(), name.end(), '_', '-');
    LCID locale = ::LocaleNameToLCID(utf8ToWide(name).c_str(), 0);
    return locale ? codePageOfLocale(locale) : 0;
}

int screenDpi() {
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

int expectedDpi() {
    const char* dpi = std::getenv("VELMORA_EXPECTED_DPI");
    return dpi ? std::atoi(dpi) : USER_DEFAULT_SCREEN_DPI;
}

std::vector<std::string> words(const char* text) {
    std::vector<std::string> result;
    std::istringstream stream(text ? text : "");
    for (std::string word; stream >> word;) result.push_back(word);
    return result;
}

std::wstring stringOf(HMODULE module, UINT id, LANGID language) {
    return stringInBlock(module, ::FindResourceExW(module, RT_STRING, stringBlockName(id), language), id);
}

std::wstring windowText(HWND window) {
    wchar_t text[512] = L"";
    ::GetWindowTextW(window, text, 512);
    return text;
}

bool isButton(HWND control) {
    wchar_t className[16] = L"";
    ::GetClassNameW(control, className, 16);
    return ::lstrcmpiW(className, L"Button") == 0;
}

// A rectangle in the dialog's client coordinates.
RECT placeOf(HWND dialog, HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.left > rect.right) std::swap(rect.left, rect.right);  // mirrored dialogs
    return rect;
}

// A device context with the control's font selected.
class ControlFont {
public:
    explicit ControlFont(HWND control) : control_(control), dc_(::GetDC(control)) {
        old_ = ::SelectObject(dc_, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    }
    ~ControlFont() {
        ::SelectObject(dc_, old_);
        ::ReleaseDC(control_, dc_);
    }
    ControlFont(const ControlFont&) = delete;
    ControlFont& operator=(const ControlFont&) = delete;

    SIZE measure(const std::wstring& text, UINT format, int width) const {
        RECT rect{0, 0, width, 0};
        ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }
    // Characters the font has no glyph for; they would be drawn as boxes, and measuring boxes means nothing.
    int missingGlyphs(const std::wstring& text) const {
        std::vector<WORD> glyphs(text.size());
        DWORD count = ::GetGlyphIndicesW(dc_, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                         GGI_MARK_NONEXISTING_GLYPHS);
        if (count == GDI_ERROR) return static_cast<int>(text.size());
        return static_cast<int>(std::count(glyphs.begin(), glyphs.begin() + count, WORD{0xFFFF}));
    }
    std::string face() const {
        wchar_t name[LF_FACESIZE] = L"";
        ::GetTextFaceW(dc_, LF_FACESIZE, name);
        return wideToUtf8(name);
    }
    int lineHeight() const {
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc_, &metrics);
        return metrics.tmHeight;
    }

private:
    HWND control_;
    HDC dc_;
    HGDIOBJ old_;
};

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class SelfextractLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&classes);
    }

    void SetUp() override {
        module_.reset(::LoadLibraryExW(distProgram(L"ruvo.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module_.valid());
    }

    // The language's dialog, created hidden; null when it cannot be. Right-to-left languages have
    // their own template, the others show the English one with their texts.
    HWND createDialog(const Language& language) {
        HRSRC found = ::FindResourceExW(module_.get(), RT_DIALOG, kProgressDialog,
                                        language.rightToLeft ? language.id : kEnglish.id);
        if (!found) return nullptr;
        auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(::LockResource(::LoadResource(module_.get(), found)));
        // Wine's desktop process for the prefix may be starting up at this moment (measured once
        // under load: the first window of a run was refused); a later try gets it.
        HWND dialog = nullptr;
        for (int attempt = 0; attempt < 3 && !dialog; ++attempt) {
            if (attempt) ::Sleep(500);
            dialog = ::CreateDialogIndirectParamW(module_.get(), dialogTemplate, nullptr, quietDialog, 0);
        }
        return dialog;
    }

    // Measures what the control shows; a line per text that does not fit or lacks glyphs.
    void check(const Language& language, HWND dialog, const Shown& shown, std::vector<std::string>& failures) {
        HWND control = ::GetDlgItem(dialog, shown.control);
        std::ostringstream what;
        what << language.tag << " " << shown.control;
        std::wstring text;
        if (shown.literal) {
            text = shown.literal;
            what << " '" << wideToUtf8(text) << "'";
        } else if (shown.string) {
            text = stringOf(module_.get(), shown.string, language.id);
            what << " string " << shown.string;
        } else {
            text = windowText(control);
            what << " (its own text)";
        }
        if (!control || text.empty()) {
            failures.push_back(what.str() + ": no such control or text");
            return;
        }

        RECT client;
        ::GetClientRect(control, &client);
        SIZE available{client.right, client.bottom};
        UINT format = (::GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_RTLREADING) ? DT_RTLREADING : 0;
        if (isButton(control)) {
            // A push button draws its label inside the 3-D frame and the focus rectangle, on one line;
            // the ampersand marks the accelerator and takes no room.
            int margin = 2 * (::GetSystemMetrics(SM_CXEDGE) + 1);
            available.cx -= margin;
            available.cy -= margin;
            format |= DT_SINGLELINE;
        } else {
            format |= DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
        }
        if (shown.control == kMainTextControl && shown.string == kPreparingString) {
            // While working, the activity text stands on the main text's second line.
            available.cy = placeOf(dialog, ::GetDlgItem(dialog, kActivityTextControl)).top - placeOf(dialog, control).top;
        }

        ControlFont font(control);
        SIZE needed = font.measure(text, format, available.cx);
        if (needed.cx > available.cx || needed.cy > available.cy) {
            std::ostringstream line;
            line << what.str() << ": needs " << needed.cx << "x" << needed.cy << " px, has " << available.cx << "x"
                 << available.cy << " px";
            failures.push_back(line.str());
        }
        if (int missing = font.missingGlyphs(text)) {
            std::ostringstream line;
            line << what.str() << ": " << missing << " characters have no glyph in " << font.face();
            failures.push_back(line.str());
        }
    }

    UniqueModule module_;
};

}  // namespace

TEST_F(SelfextractLayout, EveryLanguageIsMeasuredInOneOfTheRunsAndThisRunHasItsLocale) {
    std::vector<UINT> runs;
    for (const std::string& locale : words(std::getenv("VELMORA_LAYOUT_LOCALES"))) {
        runs.push_back(codePageOfUnixLocale(locale));
        EXPECT_NE(runs.back(), 0u) << locale;
    }
    for (const Language& language : kLanguages) {
        EXPECT_NE(std::find(runs.begin(), runs.end(), codePageOf(language)), runs.end())
            << language.tag << ": no run under a locale of code page " << codePageOf(language);
    }
    // Wine takes the system locale from LANG and friends; a run without it would measure the wrong languages.
    const char* locale = std::getenv("LC_ALL");
    ASSERT_TRUE(locale && *locale) << "LC_ALL names the locale of this run";
    EXPECT_EQ(::GetACP(), codePageOfUnixLocale(locale)) << locale;
    // The scaling comes from the prefix the run was given; a prefix without it would measure at 100 % again.
    EXPECT_EQ(screenDpi(), expectedDpi());
}

TEST_F(SelfextractLayout, EveryTextFitsItsControlWithRealGlyphs) {
    std::vector<std::string> failures;
    int measured = 0;
    for (const Language& language : kLanguages) {
        if (codePageOf(language) != ::GetACP()) continue;
        HWND dialog = createDialog(language);
        if (!dialog) {
            failures.push_back(std::string(language.tag) + ": the dialog cannot be created");
            continue;
        }
        ++measured;
        {
            ControlFont font(dialog);
            RECT units{0, 0, 4, 8};
            ::MapDialogRect(dialog, &units);
            std::printf("%s at %d DPI: %s, lines of %d px, 4x8 dialog units = %ldx%ld px\n", language.tag,
                        screenDpi(), font.face().c_str(), font.lineHeight(), units.right, units.bottom);
        }
        for (const Shown& shown : kShown) check(language, dialog, shown, failures);
        ::DestroyWindow(dialog);
    }
    EXPECT_GT(measured, 0) << "no language of code page " << ::GetACP();
    std::ostringstream report;
    for (const std::string& failure : failures) report << "\n  " << failure;
    EXPECT_TRUE(failures.empty()) << failures.size() << " texts do not fit:" << report.str();
}

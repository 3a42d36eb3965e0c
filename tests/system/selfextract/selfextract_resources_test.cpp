// The progress dialog and string tables of the built ruvo.exe in every language it ships,
// read back through the resource API and held against the English reference.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "tests/support/string_table.h"
#include "tests/support/test_paths.h"
#include "tests/system/selfextract/ruvo_resource_numbers.h"
#include "tests/system/selfextract/shipped_languages.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const UINT kStringIds[] = {kGetAnotherCopyString, kNoFreeSpaceString,      kSelectTemporaryString,   kSelectAnotherString,
                           kPreparingString,        kCancelString,             kExtractingString,         kChooseString,
                           kCannotExtractString,   kNoExeNameBufferString, kCannotCheckSpaceString, kNotEnoughRoomString,
                           kOutOfSpaceString,     kCannotExecuteString,     kChooserTitleString,      kCannotWriteSeaLocString};

// The controls whose template text the program replaces with the string of the user's language
// before the dialog is shown.
const struct {
    int control;
    UINT string;
} kTranslatedControls[] = {
    {kMainTextControl, kPreparingString}, {kActivityTextControl, kExtractingString}, {IDCANCEL, kCancelString}, {kChooseControl, kChooseString}};

// The controls each look of the dialog shows together (progress_dialog.cpp); Cancel, the blank
// label and the footer are always shown.
struct Panel {
    const char* name;
    std::vector<int> controls;
};
const Panel kPanels[] = {
    {"working", {kMainTextControl, kActivityTextControl, kPercentControl, kWorkingIconControl, kProgressControl, kSecondaryTextControl}},
    {"error", {kMainTextControl, kSecondaryTextControl, kErrorIconControl, kChooseControl}},
    {"no space", {kMainTextControl, kSecondaryTextControl, kWorkingIconControl, kChooseControl}},
    {"retry", {kMainTextControl, kSecondaryTextControl, kRetryIconControl, kChooseControl}},
};

// One '&', and it marks a letter.
bool marksOneAccelerator(const std::wstring& text) {
    size_t ampersand = text.find(L'&');
    return ampersand != std::wstring::npos && ampersand + 1 < text.size() && !iswspace(text[ampersand + 1]) &&
           text.find(L'&', ampersand + 1) == std::wstring::npos;
}

// A rectangle in dialog units: x, y, width, height.
struct Place {
    short x = 0, y = 0, cx = 0, cy = 0;
    bool operator==(const Place& other) const {
        return x == other.x && y == other.y && cx == other.cx && cy == other.cy;
    }
    bool overlaps(const Place& other) const {
        return x < other.x + other.cx && other.x < x + cx && y < other.y + other.cy && other.y < y + cy;
    }
};

std::ostream& operator<<(std::ostream& out, const Place& place) {
    return out << place.x << "," << place.y << "," << place.cx << "," << place.cy;
}

struct DialogItem {
    Place place;
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD id = 0;
    std::wstring windowClass;
    std::wstring text;
};

struct Dialog {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    Place place;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

const DialogItem* itemOf(const Dialog& dialog, int id) {
    for (const DialogItem& item : dialog.items)
        if (item.id == static_cast<DWORD>(id)) return &item;
    ADD_FAILURE() << "no control " << id;
    return nullptr;
}

// Reads a DLGTEMPLATE or DLGTEMPLATEEX and its items; `overrun` is set when a field would end
// past the resource, so that a broken template fails the test instead of reading stray memory.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool overrun = false;

    Dialog read() {
        Dialog dialog;
        WORD cdit = 0;
        dialog.extended = size_ >= 4 && peekWord(0) == 1 && peekWord(2) == 0xFFFF;
        if (dialog.extended) {
            offset_ = 4;
            dword();  // help id
            dialog.exStyle = dword();
            dialog.style = dword();
        } else {
            dialog.style = dword();
            dialog.exStyle = dword();
        }
        cdit = word();
        dialog.place = place();
        stringOrOrdinal();             // menu
        stringOrOrdinal();             // window class
        dialog.caption = stringOrOrdinal();
        if (dialog.style & DS_SETFONT) {
            dialog.pointSize = word();
            if (dialog.extended) offset_ += sizeof(WORD) + 2;  // weight, italic, charset
            dialog.typeface = string();
        }
        for (WORD i = 0; i < cdit && !overrun; ++i) dialog.items.push_back(item(dialog.extended));
        return dialog;
    }

private:
    DialogItem item(bool extended) {
        DialogItem item;
        offset_ = (offset_ + 3) & ~size_t{3};
        if (extended) {
            dword();  // help id
            item.exStyle = dword();
            item.style = dword();
        } else {
            item.style = dword();
            item.exStyle = dword();
        }
        item.place = place();
        item.id = extended ? dword() : word();
        item.windowClass = className(stringOrOrdinal());
        item.text = stringOrOrdinal();
        offset_ += word();  // creation data
        return item;
    }

    // The predefined classes may be written as ordinals or as names; both mean the same class.
    static std::wstring className(std::wstring name) {
        static const wchar_t* const kPredefined[] = {L"button", L"edit", L"static", L"listbox", L"scrollbar", L"combobox"};
        if (name.size() > 1 && name[0] == L'#') {
            unsigned ordinal = std::stoul(name.substr(1));
            if (ordinal >= 0x80 && ordinal < 0x86) return kPredefined[ordinal - 0x80];
        }
        std::transform(name.begin(), name.end(), name.begin(), ::towlower);
        return name;
    }

    Place place() {
        Place result;
        for (short* field : {&result.x, &result.y, &result.cx, &result.cy}) *field = static_cast<short>(word());
        return result;
    }

    bool fits(size_t bytes) {
        if (offset_ + bytes <= size_) return true;
        overrun = true;
        return false;
    }
    WORD peekWord(size_t at) const {
        WORD value;
        memcpy(&value, data_ + at, sizeof value);
        return value;
    }
    WORD word() {
        if (!fits(sizeof(WORD))) return 0;
        WORD value = peekWord(offset_);
        offset_ += sizeof value;
        return value;
    }
    DWORD dword() {
        DWORD low = word();
        return low | static_cast<DWORD>(word()) << 16;
    }
    std::wstring string() {
        std::wstring text;
        for (WORD c = word(); c != 0 && !overrun; c = word()) text += static_cast<wchar_t>(c);
        return text;
    }
    // 0x0000: nothing; 0xFFFF: an ordinal follows, written here as "#n"; otherwise a string.
    std::wstring stringOrOrdinal() {
        if (!fits(sizeof(WORD))) return {};
        WORD first = peekWord(offset_);
        if (first == 0xFFFF) {
            offset_ += sizeof(WORD);
            return L"#" + std::to_wstring(word());
        }
        return string();
    }

    const BYTE* data_;
    size_t size_;
    size_t offset_ = 0;
};

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
    return TRUE;
}

class SelfextractResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_.reset(::LoadLibraryExW(distProgram(L"ruvo.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module_.valid());
    }

    std::vector<LANGID> languagesOf(LPCWSTR type, LPCWSTR name) {
        std::vector<LANGID> found;
        ::EnumResourceLanguagesW(module_.get(), type, name, collectLanguage, reinterpret_cast<LONG_PTR>(&found));
        std::sort(found.begin(), found.end());
        return found;
    }

    // FindResourceEx falls back to the language's neutral form; a missing table must not pass for its parent's.
    HRSRC resourceIn(LPCWSTR type, LPCWSTR name, LANGID language) {
        std::vector<LANGID> present = languagesOf(type, name);
        if (std::find(present.begin(), present.end(), language) == present.end()) return nullptr;
        return ::FindResourceExW(module_.get(), type, name, language);
    }

    // The string of one language's own table, or empty when that language lacks the table.
    std::wstring stringOf(UINT id, LANGID language) {
        return stringInBlock(module_.get(), resourceIn(RT_STRING, stringBlockName(id), language), id);
    }

    std::string resourceBytes(LPCWSTR type, LPCWSTR name) {
        HRSRC found = ::FindResourceW(module_.get(), name, type);
        if (!found) return {};
        auto* data = static_cast<const char*>(::LockResource(::LoadResource(module_.get(), found)));
        return std::string(data, ::SizeofResource(module_.get(), found));
    }

    Dialog dialogOf(LANGID language) {
        HRSRC found = resourceIn(RT_DIALOG, kProgressDialog, language);
        if (!found) {
            ADD_FAILURE() << "no dialog for language " << language;
            return {};
        }
        auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module_.get(), found)));
        TemplateReader reader(data, ::SizeofResource(module_.get(), found));
        Dialog dialog = reader.read();
        EXPECT_FALSE(reader.overrun) << "dialog template of language " << language << " ends early";
        return dialog;
    }

    UniqueModule module_;
};

}  // namespace

// Each language its own string tables; one dialog template (English, the loader's fallback) for
// every left-to-right language and the mirrored one for each right-to-left language.
TEST_F(SelfextractResources, StringBlocksCarryEveryShippedLanguageAndDialogsOnlyEnglishAndTheRightToLeftOnes) {
    std::vector<LANGID> expected, dialogs;
    for (const Language& language : kLanguages) {
        expected.push_back(language.id);
        if (language.rightToLeft || language.id == kEnglish.id) dialogs.push_back(language.id);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(dialogs.begin(), dialogs.end());
    ASSERT_EQ(expected.size(), 30u);
    ASSERT_EQ(dialogs.size(), 3u);

    EXPECT_EQ(languagesOf(RT_DIALOG, kProgressDialog), dialogs);
    EXPECT_EQ(languagesOf(RT_STRING, MAKEINTRESOURCEW(1)), expected);
    EXPECT_EQ(languagesOf(RT_STRING, MAKEINTRESOURCEW(2)), expected);
}

TEST_F(SelfextractResources, EveryLanguageTranslatesEveryString) {
    for (const Language& language : kLanguages) {
        for (UINT id : kStringIds) {
            std::wstring text = stringOf(id, language.id);
            EXPECT_FALSE(text.empty()) << language.tag << " id " << id;
            if (language.id != kEnglish.id) {
                EXPECT_NE(text, stringOf(id, kEnglish.id)) << language.tag << " id " << id << " is untranslated";
            }
        }
        EXPECT_NE(stringOf(kPreparingString, language.id).find(L"Velmora"), std::wstring::npos) << language.tag;
        EXPECT_NE(stringOf(kCannotWriteSeaLocString, language.id).find(L"(sea_loc)"), std::wstring::npos)
            << language.tag;
        EXPECT_TRUE(marksOneAccelerator(stringOf(kChooseString, language.id))) << language.tag << " Choose's accelerator";
    }
}

TEST_F(SelfextractResources, RightToLeftDialogsAreTheEnglishOneMirrored) {
    const Dialog english = dialogOf(kEnglish.id);
    ASSERT_EQ(english.items.size(), 13u);
    ASSERT_EQ(english.caption, L"Velmora");
    EXPECT_EQ(english.exStyle, 0u);
    // The fallback opens with the texts the program puts there from the English table.
    for (const auto& translated : kTranslatedControls) {
        const DialogItem* item = itemOf(english, translated.control);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->text, stringOf(translated.string, kEnglish.id)) << translated.control;
    }

    for (const Language& language : kLanguages) {
        if (!language.rightToLeft) continue;
        SCOPED_TRACE(language.tag);
        const Dialog dialog = dialogOf(language.id);
        EXPECT_EQ(dialog.caption, english.caption);
        EXPECT_EQ(dialog.style, english.style);
        // One layout for every language, so that a change to it reaches them all.
        EXPECT_EQ(dialog.place, english.place);
        EXPECT_EQ(dialog.pointSize, english.pointSize);
        EXPECT_EQ(dialog.typeface, english.typeface);
        // Mirroring puts the icons on the right and the buttons on the left for right-to-left readers.
        EXPECT_EQ(dialog.exStyle, DWORD{WS_EX_LAYOUTRTL});
        ASSERT_EQ(dialog.items.size(), english.items.size());

        for (size_t i = 0; i < dialog.items.size(); ++i) {
            const DialogItem& item = dialog.items[i];
            const DialogItem& reference = english.items[i];
            SCOPED_TRACE(reference.id);
            EXPECT_EQ(item.id, reference.id);
            EXPECT_EQ(item.place, reference.place);
            EXPECT_EQ(item.style, reference.style);
            EXPECT_EQ(item.windowClass, reference.windowClass);
            EXPECT_EQ(item.text, reference.text);
            // Right-to-left reading order is the one extended style mirroring may add.
            EXPECT_EQ(item.exStyle & ~DWORD{WS_EX_RTLREADING}, reference.exStyle);
        }
        for (const auto& translated : kTranslatedControls) {
            const DialogItem* item = itemOf(dialog, translated.control);
            ASSERT_TRUE(item);
            EXPECT_TRUE(item->exStyle & WS_EX_RTLREADING) << translated.control << " reads right to left";
        }
    }
}

TEST_F(SelfextractResources, ControlsShownTogetherDoNotOverlapAndStayInTheDialog) {
    const Dialog english = dialogOf(kEnglish.id);
    auto placeOf = [&](int id) {
        const DialogItem* item = itemOf(english, id);
        return item ? item->place : Place{};
    };
    for (const Panel& panel : kPanels) {
        SCOPED_TRACE(panel.name);
        std::vector<int> shown = panel.controls;
        shown.insert(shown.end(), {IDCANCEL, kBlankLabelControl, kFooterControl});
        for (size_t i = 0; i < shown.size(); ++i) {
            Place place = placeOf(shown[i]);
            EXPECT_TRUE(place.x >= 0 && place.y >= 0 && place.x + place.cx <= english.place.cx &&
                        place.y + place.cy <= english.place.cy)
                << shown[i] << " at " << place;
            for (size_t j = i + 1; j < shown.size(); ++j) {
                // The activity text is written on the main text's second line, which the preparing text leaves free.
                if (shown[i] == kMainTextControl && shown[j] == kActivityTextControl) continue;
                EXPECT_FALSE(place.overlaps(placeOf(shown[j])))
                    << shown[i] << " at " << place << " and " << shown[j] << " at " << placeOf(shown[j]);
            }
        }
    }
}

TEST_F(SelfextractResources, ManifestAsksToBeDrawnAtEachMonitorsScaling) {
    std::string manifest = resourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    // Windows ignores either setting under another namespace and then stretches the dialog's pixels.
    for (const char* needle :
         {"<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
          "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2"})
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
}

// The dialog draws its icon 32 pixels wide at 100 % scaling and in proportion above, from the image
// of that size or a larger one scaled down: every group has the images for 100 %, 150 % and 200 %
// and one large enough for 300 %. The working icon is also the program's icon, which Explorer draws
// at 16, 24 and up to 256 pixels. Icon resources take PNG only in 32-bit RGBA.
TEST_F(SelfextractResources, IconsComeInEverySizeTheyAreDrawnAtAsRgbaPng) {
    const struct {
        int id;
        std::set<int> sizes;
    } kIcons[] = {{kWorkingIcon, {16, 24, 32, 48, 64, 256}}, {kRetryIcon, {32, 48, 64}}, {kFailureIcon, {32, 48, 64}}};
    const int kLargestNeeded = 96;

#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    for (const auto& icon : kIcons) {
        SCOPED_TRACE(icon.id);
        std::string group = resourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(icon.id));
        ASSERT_GE(group.size(), 6u);
        WORD count = 0;
        memcpy(&count, group.data() + 4, sizeof count);
        ASSERT_EQ(group.size(), 6 + count * sizeof(GroupEntry));
        std::set<int> sizes;
        for (WORD i = 0; i < count; ++i) {
            GroupEntry entry;
            memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
            int size = entry.width ? entry.width : 256;
            sizes.insert(size);
            std::string image = resourceBytes(RT_ICON, MAKEINTRESOURCEW(entry.id));
            ASSERT_GE(image.size(), 26u) << size;
            EXPECT_EQ(image.substr(0, 8), "\x89PNG\r\n\x1a\n") << size;
            auto be32 = [&](size_t at) {
                return static_cast<int>(static_cast<BYTE>(image[at]) << 24 | static_cast<BYTE>(image[at + 1]) << 16 |
                                        static_cast<BYTE>(image[at + 2]) << 8 | static_cast<BYTE>(image[at + 3]));
            };
            EXPECT_EQ(be32(16), size);
            EXPECT_EQ(be32(20), size);
            EXPECT_EQ(image[24], 8) << size << ": bits per channel";
            EXPECT_EQ(image[25], 6) << size << ": colour type RGBA";
            EXPECT_EQ(entry.bitCount, 32) << size;
        }
        for (int size : icon.sizes) EXPECT_EQ(sizes.count(size), 1u) << size;
        EXPECT_GE(*sizes.rbegin(), kLargestNeeded);
    }
}

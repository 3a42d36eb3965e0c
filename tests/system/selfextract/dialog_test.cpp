// The progress dialog under Xvfb, driven through window messages as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "tests/support/dialog_driver/dialog_driver.h"
#include "tests/support/test_paths.h"
#include "tests/system/selfextract/test_installer.h"

using namespace velmora::test;

namespace {

constexpr DWORD kWait = 20000;

constexpr WORD kErrorIconGroup = 111;

enum Control : int {
    kOk = 1, kCancel = 2, kSecondary = 10001, kWorkingIcon = 1002, kErrorIcon = 1003, kMainText = 1005,
    kRetryIcon = 1006, kActivity = 1007, kPercent = 1009, kChoose = 1010, kProgress = 1011, kFooter = 1012
};

std::map<int, bool> visibility(HWND dialog) {
    std::map<int, bool> visible;
    for (const auto& control : dialogControls(dialog)) visible[control.id] = control.visible;
    return visible;
}

std::set<std::wstring> namesMatching(const std::wstring& pattern) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// The folder chooser: the process's other visible dialog.
struct ChooserSearch {
    DWORD processId;
    HWND progress;
    HWND found;
};

// The installer's dialog once it shows the panel with `icon`; null when it does not.
HWND dialogShowing(const RunningProgram& ruvo, int icon) {
    HWND dialog = waitForDialog(ruvo.processId(), kWait);
    EXPECT_TRUE(dialog) << "no dialog";
    if (!dialog) return nullptr;
    const bool shown = waitForControlVisible(dialog, icon, true, kWait);
    EXPECT_TRUE(shown) << "the panel with icon " << icon << " is not shown";
    return shown ? dialog : nullptr;
}

HWND waitForChooser(DWORD processId, HWND progress) {
    ChooserSearch search{processId, progress, nullptr};
    for (int i = 0; i < 500 && !search.found; ++i) {
        EnumWindows(
            [](HWND window, LPARAM lParam) -> BOOL {
                auto* s = reinterpret_cast<ChooserSearch*>(lParam);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t className[16] = L"";
                GetClassNameW(window, className, 16);
                if (owner == s->processId && window != s->progress && IsWindowVisible(window) &&
                    std::wstring(className) == L"#32770")
                    s->found = window;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(20);
    }
    return search.found;
}

// 0x00RRGGBB pixels of a width x height picture, drawn by `paint` into a device context.
template <typename Paint>
std::vector<DWORD> pixelsOf(int width, int height, Paint paint) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    paint(memory, screen);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// A control's area as the user sees it on the screen, after any overlapping sibling has painted.
std::vector<DWORD> screenPixels(HWND dialog, int id, SIZE* size = nullptr) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (size) *size = {width, height};
    return pixelsOf(width, height,
                    [&](HDC memory, HDC screen) { BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY); });
}

// Pixels of a control that differ from the dialog background: its text as the user sees it.
size_t inkPixels(HWND dialog, int id) {
    COLORREF face = GetSysColor(COLOR_3DFACE);
    DWORD background = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    std::vector<DWORD> pixels = screenPixels(dialog, id);
    return pixels.size() - std::count(pixels.begin(), pixels.end(), background);
}

int channelDifference(DWORD a, DWORD b) {
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return most;
}

}  // namespace

class DuringExtraction : public testing::TestWithParam<bool> {};  // true: Enter, false: Cancel

TEST_P(DuringExtraction, AbortRemovesEverything) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.add(L"InstallerData\\big.bin", noise(48 << 20));
    installer.pack(0);

    RunningProgram ruvo(L"\"" + installer.installer() + L"\"", installer.runOptions());
    ASSERT_TRUE(ruvo.started());
    HWND dialog = waitForDialog(ruvo.processId(), kWait);
    ASSERT_TRUE(dialog);
    wchar_t caption[64] = L"";
    GetWindowTextW(dialog, caption, 64);
    EXPECT_STREQ(caption, L"Velmora");
    // Working look: the bar moves while the payload is unpacked.
    ASSERT_TRUE(waitForControlText(dialog, kPercent, [](const std::wstring& t) { return t != L"0%"; }, kWait));
    auto visible = visibility(dialog);
    EXPECT_TRUE(visible[kProgress] && visible[kPercent] && visible[kWorkingIcon] && visible[kCancel]);
    EXPECT_FALSE(visible[kChoose] || visible[kErrorIcon] || visible[kRetryIcon] || visible[kOk]);
    EXPECT_EQ(controlText(dialog, kMainText), L"Velmora is preparing to install...");
    // The activity line shares its place with the main text's second line and must show.
    EXPECT_TRUE(visible[kActivity]);
    EXPECT_GT(inkPixels(dialog, kActivity), 20u);
    // A read-only file in the working directory does not stop the clean-up.
    auto directories = installer.workingDirectories();
    ASSERT_EQ(directories.size(), 1u);
    std::wstring readOnly = directories[0] + L"\\locked.txt";
    writeFileBytes(readOnly, "x");
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));

    // The request is queued while the extraction is paused with most of the payload to come, so
    // a fast extraction cannot finish before its message pump takes the request.
    {
        ProcessPause pause(ruvo.processId());
        WIN32_FILE_ATTRIBUTE_DATA big{};
        GetFileAttributesExW((directories[0] + L"\\InstallerData\\big.bin").c_str(), GetFileExInfoStandard, &big);
        ASSERT_LT(big.nFileSizeLow, 40u << 20) << "the extraction ran ahead of the test";
        if (GetParam())
            pressEnter(dialog);
        else
            clickButton(dialog, kCancel);
    }
    EXPECT_EQ(ruvo.wait(kWait), static_cast<DWORD>(-1));
    EXPECT_TRUE(installer.workingDirectories().empty());
    EXPECT_FALSE(installer.launcherRan());
    std::string log = installer.seaLog();
    EXPECT_TRUE(contains(log, "Window class registered.\r\n"));
    EXPECT_TRUE(contains(log, "User requested ABORT\r\n"));
    EXPECT_TRUE(contains(log, "Dialog initialized.\r\nUser requested ABORT: Clean up temporary directory\r\n")) << log;
}

INSTANTIATE_TEST_SUITE_P(Dialog, DuringExtraction, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Enter" : "Cancel"; });

TEST(Dialog, ErrorPanelThenEnterAborts) {
    TestInstaller installer;
    installer.add(L"Windows\\setup.exe", "this is no program");
    installer.add(L"Windows\\setup.kiv", "kiv.nl.java.launcher.main.class=a.B\n");
    installer.add(L"InstallerData\\a.txt", "a");
    installer.pack();

    RunningProgram ruvo(L"\"" + installer.installer() + L"\"", installer.runOptions());
    HWND dialog = dialogShowing(ruvo, kErrorIcon);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(controlText(dialog, kMainText), L"Unable to execute the desired program.");
    EXPECT_EQ(controlText(dialog, kSecondary), L"Please get another copy of the installer and try again.");
    auto visible = visibility(dialog);
    EXPECT_TRUE(visible[kErrorIcon] && visible[kSecondary] && visible[kCancel] && visible[kFooter]);
    EXPECT_FALSE(visible[kChoose] || visible[kPercent] || visible[kWorkingIcon] || visible[kRetryIcon] ||
                 visible[kProgress] || visible[kActivity] || visible[kOk]);
    ASSERT_EQ(installer.workingDirectories().size(), 1u);

    pressEnter(dialog);  // the hidden OK button is the default: Enter aborts
    EXPECT_EQ(ruvo.wait(kWait), static_cast<DWORD>(-1));
    EXPECT_TRUE(installer.workingDirectories().empty());  // the abort removes the extracted files
}

// A damaged installer stays damaged in any other folder: the error panel, without Choose. A
// file that cannot be written asks for another folder.
TEST(Dialog, DamagedPayloadShowsTheErrorPanelAndAWriteFailureTheRetryPanel) {
    const struct {
        const char* what;
        void (TestInstaller::*damage)() const;
        int icon;
        const wchar_t* mainText;
        const wchar_t* secondary;
    } cases[] = {
        {"corrupted", &TestInstaller::damageFirstMember, kErrorIcon, L"Unable to extract the compressed file.",
         L"Please get another copy of the installer and try again."},
        {"truncated", &TestInstaller::truncatePayload, kErrorIcon, L"Unable to extract the compressed file.",
         L"Please get another copy of the installer and try again."},
        {"sea_loc cannot be written", nullptr, kRetryIcon, L"Unable to create the path pointer file (sea_loc).",
         L"Please select another location to extract the installer to:"},
    };
    for (const auto& c : cases) {
        TestInstaller installer;
        installer.addStandInLauncher();
        if (!c.damage) installer.add(L"sea_loc\\in-the-way.txt", "a folder where the file goes");
        installer.pack();
        if (c.damage) (installer.*c.damage)();

        RunningProgram ruvo(L"\"" + installer.installer() + L"\"", installer.runOptions());
        HWND dialog = dialogShowing(ruvo, c.icon);
        ASSERT_TRUE(dialog) << c.what << "\n" << installer.seaLog();
        EXPECT_EQ(controlText(dialog, kMainText), c.mainText) << c.what;
        EXPECT_EQ(controlText(dialog, kSecondary), c.secondary) << c.what;
        auto visible = visibility(dialog);
        EXPECT_TRUE(visible[kSecondary] && visible[kCancel]) << c.what;
        EXPECT_EQ(visible[kChoose], c.icon == kRetryIcon) << c.what;
        EXPECT_FALSE(visible[kPercent] || visible[kProgress] || visible[kActivity] || visible[kWorkingIcon] ||
                     visible[c.icon == kErrorIcon ? kRetryIcon : kErrorIcon])
            << c.what;
        if (c.damage) {
            // The failed attempt's files are gone already.
            for (int i = 0; i < 250 && !installer.workingDirectories().empty(); ++i) Sleep(20);
            EXPECT_TRUE(installer.workingDirectories().empty()) << c.what;
        }

        clickButton(dialog, kCancel);
        EXPECT_EQ(ruvo.wait(kWait), static_cast<DWORD>(-1)) << c.what;
        EXPECT_FALSE(installer.launcherRan()) << c.what;
    }
}

// A folder picked with Choose that cannot be entered (here: gone since it was picked) is never
// swapped for another one: the panel asks again.
TEST(Dialog, ChosenFolderThatCannotBeEnteredAsksAgain) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.add(L"sea_loc\\in-the-way.txt", "x");  // the retry panel offers Choose
    installer.pack();
    wchar_t desktop[MAX_PATH] = L"";
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
    const std::wstring name = L"zq" + std::to_wstring(GetCurrentProcessId());
    const std::wstring gone = std::wstring(desktop) + L"\\" + name;
    ASSERT_TRUE(CreateDirectoryW(gone.c_str(), nullptr));

    RunningProgram ruvo(L"\"" + installer.installer() + L"\"", installer.runOptions());
    HWND dialog = dialogShowing(ruvo, kRetryIcon);
    ASSERT_TRUE(dialog);
    clickButton(dialog, kChoose);
    HWND chooser = waitForChooser(ruvo.processId(), dialog);
    HWND tree = chooser ? FindWindowExW(chooser, nullptr, L"SysTreeView32", nullptr) : nullptr;
    ASSERT_TRUE(tree);
    // Typing a name selects the folder of that name below the desktop, as in any tree.
    const LRESULT root = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    for (wchar_t c : name) PostMessageW(tree, WM_CHAR, c, 1);
    for (int i = 0; i < 250 && SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) == root; ++i) Sleep(20);
    RemoveDirectoryW(gone.c_str());
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);

    EXPECT_TRUE(waitForControlText(
        dialog, kMainText, [](const std::wstring& t) { return t == L"There is not enough free disk space in the temporary folder."; },
        kWait))
        << installer.seaLog();
    EXPECT_TRUE(controlVisible(dialog, kChoose));
    std::string log = installer.seaLog();
    EXPECT_TRUE(contains(log, "Using working directory to decompress files: " + narrow(gone) + "\r\n")) << log;
    EXPECT_TRUE(contains(log, "*** FAILURE: Unable to access the working directory!\r\n")) << log;
    EXPECT_FALSE(contains(log, "C:\\Temp")) << log;
    clickButton(dialog, kCancel);
    EXPECT_EQ(ruvo.wait(kWait), static_cast<DWORD>(-1));
    EXPECT_FALSE(installer.launcherRan());
}

TEST(Dialog, SuccessfulRunClosesTheDialogAndWaitsForTheLauncher) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.pack();
    RunningProgram ruvo(L"\"" + installer.installer() + L"\" x",
                        installer.runOptions({.extraEnvironment = {L"STANDIN_EXIT=9"}}));
    EXPECT_EQ(ruvo.wait(kWait), 9u);
    std::string log = installer.seaLog();
    EXPECT_TRUE(contains(log, "Success. The extracted file execution has begun.\r\nDialog initialized.\r\n"
                              "Initiating self-extraction...\r\n*** The process has terminated with an exit code of 9 ***"))
        << log;
    EXPECT_EQ(installer.workingDirectories().size(), 1u);
}

// Needs a size-limited temporary folder: small_disk_test.sh mounts one and names it in
// RUVO_SMALL_DISK.
TEST(Dialog, NoRoomThenChooseAnotherFolder) {
    const char* smallDisk = std::getenv("RUVO_SMALL_DISK");
    if (!smallDisk || !*smallDisk) GTEST_SKIP() << "run through small_disk_test.sh";
    std::wstring folder = windowsPathOfHostPath(smallDisk);
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.add(L"InstallerData\\data.bin", noise(1 << 20));
    installer.pack(0);
    // The chooser opens on the desktop folder, which has room; OK picks it.
    wchar_t desktop[MAX_PATH] = L"";
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
    std::wstring roomy = desktop;
    std::set<std::wstring> before = namesMatching(roomy + L"\\I*");

    RunningProgram ruvo(L"\"" + installer.installer() + L"\"",
                        installer.runOptions({.extraEnvironment = {L"TMP=" + folder, L"TEMP=" + folder, L"STANDIN_EXIT=5"}}));
    HWND dialog = waitForDialog(ruvo.processId(), kWait);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(waitForControlVisible(dialog, kChoose, true, kWait));
    EXPECT_EQ(controlText(dialog, kMainText), L"Not enough room for a complete install.");
    EXPECT_EQ(controlText(dialog, kSecondary), L"Please select a temporary location to extract the installer to:");
    EXPECT_TRUE(controlVisible(dialog, kErrorIcon));
    EXPECT_FALSE(controlVisible(dialog, kProgress));

    // Cancelling the chooser leaves the panel as it was.
    clickButton(dialog, kChoose);
    HWND chooser = waitForChooser(ruvo.processId(), dialog);
    ASSERT_TRUE(chooser);
    PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 250 && IsWindow(chooser); ++i) Sleep(20);
    EXPECT_FALSE(IsWindow(chooser));
    EXPECT_EQ(controlText(dialog, kMainText), L"Not enough room for a complete install.");
    EXPECT_TRUE(controlVisible(dialog, kChoose));

    // A folder with room: the working directory goes straight into it and the launcher runs.
    clickButton(dialog, kChoose);
    chooser = waitForChooser(ruvo.processId(), dialog);
    ASSERT_TRUE(chooser);
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(ruvo.wait(kWait), 5u);
    EXPECT_TRUE(installer.launcherRan());
    std::set<std::wstring> made;
    for (const auto& name : namesMatching(roomy + L"\\I*"))
        if (!before.count(name)) made.insert(name);
    ASSERT_EQ(made.size(), 1u) << installer.seaLog();
    std::wstring working = roomy + L"\\" + *made.begin();
    removeTree(working);
    EXPECT_EQ(installer.recorded(L"cwd.txt"), working);
    EXPECT_TRUE(contains(installer.seaLog(), "Using working directory to decompress files: " + narrow(roomy) + "\r\n"));
}

// At the scaling the test runs at (100 %, and 150 % and 200 % in prefixes of their own), the dialog
// shows its icon at 32 pixels in proportion, drawn from the image of that size: drawn from a
// smaller one stretched up it would look blocky and differ from it at every edge.
TEST(DialogScaling, IconIsDrawnFromAnImageOfTheSizeShown) {
    const char* expectedDpi = std::getenv("VELMORA_EXPECTED_DPI");
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, expectedDpi ? std::atoi(expectedDpi) : USER_DEFAULT_SCREEN_DPI);
    const int size = MulDiv(32, dpi, USER_DEFAULT_SCREEN_DPI);

    TestInstaller installer;
    installer.add(L"Windows\\setup.exe", "this is no program");
    installer.add(L"Windows\\setup.kiv", "kiv.nl.java.launcher.main.class=a.B\n");
    installer.pack();
    RunningProgram ruvo(L"\"" + installer.installer() + L"\"", installer.runOptions());
    HWND dialog = dialogShowing(ruvo, kErrorIcon);
    ASSERT_TRUE(dialog);
    // Above the centred dialogs of tests that run beside this one.
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    Sleep(300);  // painted there
    SIZE shown{};
    std::vector<DWORD> onScreen = screenPixels(dialog, kErrorIcon, &shown);
    clickButton(dialog, kCancel);
    EXPECT_EQ(ruvo.wait(kWait), static_cast<DWORD>(-1));
    ASSERT_EQ(shown.cx, size);
    ASSERT_EQ(shown.cy, size);

    // The group's image of exactly that size, drawn on the dialog's background (the icon's
    // transparent corner shows it).
    velmora::UniqueModule program(LoadLibraryExW(distProgram(L"ruvo.exe").c_str(), nullptr,
                                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program.valid());
    auto resource = [&](LPCWSTR type, WORD id) -> std::pair<BYTE*, DWORD> {
        HRSRC found = FindResourceW(program.get(), MAKEINTRESOURCEW(id), type);
        if (!found) return {nullptr, 0};
        return {static_cast<BYTE*>(LockResource(LoadResource(program.get(), found))), SizeofResource(program.get(), found)};
    };
    auto [group, groupSize] = resource(RT_GROUP_ICON, kErrorIconGroup);
    ASSERT_TRUE(group);
    WORD imageId = 0;
    for (DWORD entry = 6; entry + 14 <= groupSize; entry += 14)  // width, height, ..., id at 12
        if (group[entry] == size) memcpy(&imageId, group + entry + 12, sizeof imageId);
    ASSERT_NE(imageId, 0) << "the icon has no image of the size shown, " << size << " pixels";
    auto [bytes, byteCount] = resource(RT_ICON, imageId);
    HICON image = CreateIconFromResourceEx(bytes, byteCount, TRUE, 0x00030000, size, size, 0);
    ASSERT_TRUE(image);
    DWORD background = onScreen[0];
    std::vector<DWORD> expected = pixelsOf(size, size, [&](HDC memory, HDC) {
        HBRUSH brush = CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
        RECT all{0, 0, size, size};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, image, size, size, 0, nullptr, DI_NORMAL);
    });
    DestroyIcon(image);

    int differing = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        if (channelDifference(onScreen[i], expected[i]) > 16) ++differing;
    EXPECT_EQ(differing, 0) << "of " << expected.size() << " pixels at " << dpi << " DPI";
}

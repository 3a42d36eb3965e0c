// Working-directory names, the free-space rule, progress figures and the tree removal.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <vector>

#include "selfextract/extraction_view.h"
#include "selfextract/working_directory.h"
#include "tests/support/temp_folder.h"

using namespace ruvo;

TEST(WorkingDirectoryNames, TimeFirstThenEightRandomDigits) {
    EXPECT_EQ(FirstWorkingDirectoryName(1700000000), L"I1700000000");
    std::mt19937 generator = SeededGenerator();
    std::set<std::wstring> seen;
    for (int i = 0; i < 200; ++i) {
        std::wstring name = RandomWorkingDirectoryName(generator);
        ASSERT_EQ(name.size(), 9u) << name;
        EXPECT_EQ(name[0], L'I');
        EXPECT_NE(name[1], L'0');
        EXPECT_EQ(name.find_first_not_of(L"0123456789", 1), std::wstring::npos) << name;
        seen.insert(name);
    }
    EXPECT_GT(seen.size(), 190u);
    // Two processes seed differently.
    std::mt19937 a = SeededGenerator(), b = SeededGenerator();
    EXPECT_NE(RandomWorkingDirectoryName(a) + RandomWorkingDirectoryName(a),
              RandomWorkingDirectoryName(b) + RandomWorkingDirectoryName(b));
}

TEST(WorkingDirectoryNames, PlacedInTheBaseFolderWithOneSeparator) {
    // The temporary folder ends with a separator, a chosen folder does not, a drive's root does.
    EXPECT_EQ(PathInFolder(L"C:\\Users\\a\\Temp\\", L"I1"), L"C:\\Users\\a\\Temp\\I1");
    EXPECT_EQ(PathInFolder(L"D:\\picked", L"I1"), L"D:\\picked\\I1");
    EXPECT_EQ(PathInFolder(L"D:\\", L"I1"), L"D:\\I1");
}

TEST(FreeSpaceRule, ThreeTimesThePayloadWithoutOverflow) {
    const uint64_t mb = 1024 * 1024;
    EXPECT_TRUE(HasRoomFor(100 * mb, 300 * mb));
    EXPECT_FALSE(HasRoomFor(100 * mb, 299 * mb));
    EXPECT_EQ(RequiredBytes(9997952), 29993856u);
    // Beyond 32 bits on both sides: a 2 GB payload on a 5 TB drive.
    EXPECT_TRUE(HasRoomFor(2048 * mb, 5ull * 1024 * 1024 * mb));
    EXPECT_FALSE(HasRoomFor(2048 * mb, 6143 * mb));
}

TEST(FreeSpaceRule, OldWindowsVersions) {
    EXPECT_TRUE(IsOldWindows(3, VER_PLATFORM_WIN32_NT, 528));
    EXPECT_FALSE(IsOldWindows(4, VER_PLATFORM_WIN32_NT, 1381));
    EXPECT_FALSE(IsOldWindows(10, VER_PLATFORM_WIN32_NT, 19045));
    EXPECT_TRUE(IsOldWindows(4, VER_PLATFORM_WIN32_WINDOWS, 950));  // Windows 95
    EXPECT_FALSE(IsOldWindows(4, VER_PLATFORM_WIN32_WINDOWS, 0x04001111));  // OSR2: low word 4369
    EXPECT_TRUE(IsOldWindows(4, VER_PLATFORM_WIN32s, 2000));
    uint64_t freeBytes = 0;
    EXPECT_TRUE(GetFreeDiskSpace(L"C:\\windows\\", freeBytes));
    EXPECT_GT(freeBytes, 0u);
}

TEST(ProgressFigures, OnlyPositiveJobPercentsMoveTheBar) {
    EXPECT_EQ(PercentToShow(-1, -1), -1);  // entry names and messages
    EXPECT_EQ(PercentToShow(50, 0), -1);
    EXPECT_EQ(PercentToShow(50, 37), 37);
    EXPECT_EQ(PercentToShow(-1, 100), 100);
    EXPECT_EQ(PercentText(37), L"37%");
    EXPECT_TRUE(OffersChoose(2) && OffersChoose(14) && OffersChoose(17));
    EXPECT_FALSE(OffersChoose(9) || OffersChoose(18) || OffersChoose(13));
}

TEST(RemoveTree, DeletesReadOnlyEntriesAndReportsFailures) {
    velmora::test::TempFolder temp;
    std::wstring root = temp.makeFolder(L"I1");
    temp.write(L"I1\\Windows\\setup.exe", "x");
    temp.write(L"I1\\Windows\\resource\\deep\\a.txt", "a");
    std::wstring readOnly = temp.write(L"I1\\InstallerData\\ro.jar", "r");
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW((root + L"\\Windows").c_str(), FILE_ATTRIBUTE_READONLY));

    std::vector<std::wstring> left;
    EXPECT_FALSE(RemoveTree(root, false, &left));  // the read-only file stays, and so does the tree
    EXPECT_NE(GetFileAttributesW(readOnly.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(left, std::vector<std::wstring>{readOnly});
    EXPECT_TRUE(RemoveTree(root, true));
    EXPECT_EQ(GetFileAttributesW(root.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(RemoveTree(root, true));  // nothing to enumerate
}

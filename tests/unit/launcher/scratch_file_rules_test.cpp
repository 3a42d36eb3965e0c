#include <gtest/gtest.h>

#include <windows.h>

#include "launcher/launcher_errors.h"
#include "launcher/properties/runtime_properties_file.h"
#include "launcher/properties/scratch_file_rules.h"
#include "tests/support/temp_folder.h"

using namespace velmora::launcher;
using velmora::test::TempFolder;
using velmora::test::readFileBytes;

TEST(ScratchFileRules, OwnLinesAreRecognisedAndNothingElse) {
    const struct {
        const char* text;
        bool wholeFile;
        bool own;
    } cases[] = {
        {"kiv.nl.env.path=C:\\\\bin\r\nkiv.nl.env.PATH=C:\\\\bin\r\nkiv.nl.env.exact_case.Path=C:\\\\bin\r\n", true, true},
        {"kiv.control-key=true\r\nkiv.stderr.redirect=console\r\nkiv.stdout.redirect=console\r\n"
         "kiv.nl.env.x=1\r\nkiv.nl.current.vm=C:\\\\jre\\\\bin\\\\java.exe\r\n", true, true},
        {"kiv.nl.env.x=1\n", true, true},                      // LF alone
        {"kiv.nl.env.x=1\r\nkiv.nl.env.y=", false, true},      // cut by the read window
        {"kiv.nl.env.path=C:\\\\a;C:\\\\b;C:", false, true},   // one long first line, cut
        {"kiv.nl.env.x=1\r\nkiv.nl.env.y=2", true, false},     // the launcher ends every line
        {"", true, false},                                     // empty: nothing tells whose
        {"hello\r\n", true, false},
        {"kiv.nl.env.x=1\r\nother.key=1\r\n", true, false},    // another writer's key
        {"kiv.nl.envx\r\n", true, false},
        {"kiv.nl.current.vm.extra=1\r\n", true, false},
        {"kiv.nl.env.x=1\r\n\r\n", true, false},               // a blank line is not written
        {"# comment\r\nkiv.nl.env.x=1\r\n", true, false},
        {"kiv.nl.en", false, false},                            // too little to judge
    };
    for (const auto& c : cases) EXPECT_EQ(isOwnScratchText(c.text, c.wholeFile), c.own) << c.text;
}

TEST(ScratchFileRules, GuidNameAndAge) {
    unsigned char random[16];
    for (int i = 0; i < 16; ++i) random[i] = static_cast<unsigned char>(0xF0 + i);
    // Version 4 and the standard variant are set over the random bits.
    EXPECT_EQ(guidScratchName(random), L"kivf0f1f2f3-f4f5-46f7-b8f9-fafbfcfdfeff.tmp");

    constexpr uint64_t kDay = 24ull * 60 * 60 * 10'000'000;
    const uint64_t now = 400 * kDay;
    EXPECT_FALSE(olderThanDays(now - 30 * kDay, now, 30));
    EXPECT_TRUE(olderThanDays(now - 30 * kDay - 1, now, 30));
    EXPECT_FALSE(olderThanDays(now + kDay, now, 30));  // written "in the future": a clock was set back
}

TEST(ScratchFileRules, ArgumentFilesGoWithTheirScratchFile) {
    EXPECT_EQ(argumentFileNameFor(L"C:\\Temp\\kiv1A.tmp"), L"C:\\Temp\\kiv1A.args");
    EXPECT_EQ(argumentFileNameFor(L"C:\\Temp\\KIV1A.TMP"), L"C:\\Temp\\KIV1A.args");
    EXPECT_EQ(argumentFileNameFor(L"C:\\Temp.tmp\\kiv1A"), L"C:\\Temp.tmp\\kiv1A.args");
    EXPECT_TRUE(isOwnArgumentFileText(std::string(kArgumentFileMark) + "-classpath\n"));
    EXPECT_FALSE(isOwnArgumentFileText("-classpath\n"));
    EXPECT_FALSE(isOwnArgumentFileText(kArgumentFileMark.substr(0, 10)));
}

// The file itself, in a folder of the test's own: when the system's call gives no name, or
// (as Wine does once every name is used) the name of a file that already holds something.
TEST(ScratchFile, GuidNameWhenTheSystemHasNoNewOne) {
    TempFolder folder;
    const std::wstring taken = folder.write(L"kivbeef.tmp", "someone else's\r\n");
    const UniqueNameCall answers[] = {[](const std::wstring&) { return std::wstring(); },
                                      [&](const std::wstring&) { return taken; }};
    for (const auto& answer : answers) {
        const std::wstring path = createScratchFile(folder.path(), answer);
        const std::wstring name = path.substr(path.rfind(L'\\') + 1);
        EXPECT_EQ(path.substr(0, path.rfind(L'\\')), folder.path());
        EXPECT_TRUE(name.starts_with(L"kiv") && name.ends_with(L".tmp") && name.size() == 3 + 36 + 4) << name;
        EXPECT_EQ(readFileBytes(path), "");
    }
    EXPECT_EQ(readFileBytes(taken), "someone else's\r\n");
    // A new file from the system is taken as it is.
    EXPECT_EQ(createScratchFile(folder.path(), systemUniqueName).find(folder.path() + L"\\kiv"), 0u);

    try {
        createScratchFile(folder / L"missing", systemUniqueName);
        ADD_FAILURE() << "no error for a missing folder";
    } catch (const FileException& error) {
        EXPECT_EQ(error.path(), folder / L"missing\\");
        EXPECT_EQ(error.systemError(), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
    }
}

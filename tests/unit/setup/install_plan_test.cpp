#include "setup/install_plan.h"

#include <gtest/gtest.h>

#include "common/text_convert.h"

namespace quillsetup {
namespace {

using Paths = std::vector<std::wstring>;

TEST(InstallPlan, FileListKeepsOnlyPathsInsideTheFolder) {
    const Paths files = {L"Tool.exe", L"lib\\a.jar", L"runtime\\bin\\java.exe", L"\u00e9t\u00e9.txt"};
    EXPECT_EQ(parseFileList(composeFileList(files)), files);
    EXPECT_EQ(parseFileList("a.jar\r\n\nlib/b.jar\n..\\x\nC:\\Windows\\x\n\\abs\nlib\\..\\..\\y\nlib\\.\\z\nlast"),
              (Paths{L"a.jar", L"lib\\b.jar", L"last"}));
}

// The engine runs in the self-extractor's working folder: only a full path names a folder the
// user meant.
TEST(InstallPlan, FullInstallFolders) {
    for (const wchar_t* full : {L"C:\\Apps\\Tool", L"d:/apps", L"Z:\\", L"\\\\server\\share\\Tool", L"\\\\?\\C:\\x"})
        EXPECT_TRUE(isFullPath(full)) << velmora::wideToUtf8(full);
    for (const wchar_t* relative : {L"", L"Tool", L"apps\\Tool", L".\\Tool", L"..\\Tool", L"\\Apps", L"C:Tool", L"C:",
                                    L"\\\\", L"1:\\x"})
        EXPECT_FALSE(isFullPath(relative)) << velmora::wideToUtf8(relative);
}

TEST(InstallPlan, CarriedOverAreTheUsersFilesOnly) {
    const Paths oldFolder = {L"Tool.exe", L"lib\\old.jar", L"lib\\A.JAR", L"notes.txt", L"lib\\mine\\x.cfg",
                             L"uninstall.exe", L"Uninstall.Files", L"uninstall.settings", L"new-in-this.jar"};
    const Paths previous = {L"Tool.exe", L"lib\\old.jar", L"lib\\a.jar"};
    const Paths next = {L"Tool.exe", L"lib\\a.jar", L"new-in-this.jar"};
    EXPECT_EQ(carriedOverFiles(oldFolder, previous, next), (Paths{L"notes.txt", L"lib\\mine\\x.cfg"}));
    // A folder no setup wrote: everything in it is the user's, except what the new version brings.
    EXPECT_EQ(carriedOverFiles({L"Tool.exe", L"x"}, {}, next), (Paths{L"x"}));
    EXPECT_EQ(clashWithBookkeeping({L"a.jar", L"UNINSTALL.EXE"}), L"UNINSTALL.EXE");
    EXPECT_EQ(clashWithBookkeeping({L"lib\\uninstall.exe"}), L"");
    EXPECT_EQ(clashWithBookkeeping({L"Setup.Carried"}), L"Setup.Carried");
}

TEST(InstallPlan, FoldersOfFilesDeepestFirst) {
    EXPECT_EQ(foldersOf({L"a.exe", L"lib\\x.jar", L"runtime\\bin\\server\\jvm.dll", L"Lib\\y.jar", L"runtime\\lib\\z"}),
              (Paths{L"runtime\\bin\\server", L"runtime\\bin", L"runtime\\lib", L"lib", L"runtime"}));
}

TEST(InstallPlan, RecoveryPutsThePreviousVersionBack) {
    const struct {
        FolderState state;
        bool restoreOld, salvageNew, salvageOld;
    } cases[] = {
        {{true, false, false}, false, false, false},  // nothing was left
        {{true, true, false}, false, true, false},    // killed while the new folder was put together
        {{false, true, true}, true, true, false},     // killed between the two renames
        {{false, false, true}, true, false, false},
        {{true, false, true}, false, false, true},    // killed before the replaced folder was gone
        {{false, true, false}, false, true, false},   // a first install killed halfway
    };
    for (const auto& c : cases) {
        const Recovery r = recoveryFor(c.state);
        EXPECT_EQ(r.restoreOld, c.restoreOld);
        EXPECT_EQ(r.salvageNew, c.salvageNew);
        EXPECT_EQ(r.salvageOld, c.salvageOld);
    }
}

TEST(InstallPlan, ExitCodesAsDeploymentToolsReadThem) {
    const std::pair<Outcome, int> cases[] = {
        {Outcome::Done, 0}, {Outcome::Cancelled, 1602}, {Outcome::ElevationRefused, 1602},
        {Outcome::AnotherInstallRunning, 1618}, {Outcome::ApplicationRunning, 1618},
        {Outcome::NewerInstalled, 1638}, {Outcome::Failed, 1603},
    };
    for (const auto& [outcome, code] : cases) EXPECT_EQ(exitCodeOf(outcome), code);
}

}  // namespace
}  // namespace quillsetup

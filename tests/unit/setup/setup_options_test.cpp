#include "setup/setup_options.h"

#include <gtest/gtest.h>

#include "common/command_line_split.h"

namespace quillsetup {
namespace {

TEST(SetupOptions, SwitchesOfUsersAndDeploymentTools) {
    SetupOptions o;
    std::string problem;
    ASSERT_TRUE(parseSetupOptions({L"-i", L"SILENT", L"--install-dir", L"D:\\Apps\\Tool"}, o, problem)) << problem;
    EXPECT_TRUE(o.silent);
    EXPECT_EQ(o.installDir, L"D:\\Apps\\Tool");
    EXPECT_EQ(o.action, SetupAction::Install);

    ASSERT_TRUE(parseSetupOptions({L"--install-dir=C:\\x y", L"-i", L"console", L"--uninstall"}, o, problem));
    EXPECT_EQ(o.installDir, L"C:\\x y");
    EXPECT_TRUE(o.console);
    EXPECT_FALSE(o.silent);
    EXPECT_EQ(o.action, SetupAction::Uninstall);

    ASSERT_TRUE(parseSetupOptions({L"--cleanup", L"C:\\T\\I5", L"--wait", L"124", L"--wait", L"88"}, o, problem));
    EXPECT_EQ(o.action, SetupAction::Cleanup);
    EXPECT_TRUE(o.cleanupWholeTree);
    EXPECT_EQ(o.cleanupFolder, L"C:\\T\\I5");
    EXPECT_EQ(o.waitHandles, (std::vector<unsigned long long>{124, 88}));
}

TEST(SetupOptions, RefusesWhatItDoesNotKnow) {
    const std::vector<std::wstring> cases[] = {
        {L"/S"}, {L"-i"}, {L"-i", L"quiet"}, {L"--install-dir"}, {L"--install-dir="}, {L"--cleanup"}, {L"file.txt"},
    };
    for (const auto& arguments : cases) {
        SetupOptions o;
        std::string problem;
        EXPECT_FALSE(parseSetupOptions(arguments, o, problem)) << arguments.front().size();
        EXPECT_FALSE(problem.empty());
    }
}

// The elevated run gets this run's switches back exactly, whatever the folder's spelling.
TEST(SetupOptions, ElevatedRunTakesTheSameSwitches) {
    const struct {
        SetupAction action;
        bool silent, console;
        std::wstring folder;
    } cases[] = {
        {SetupAction::Install, false, false, L""},
        {SetupAction::Install, true, false, L"C:\\Program Files\\My App"},
        {SetupAction::Uninstall, false, true, L"D:\\Apps\\"},
        {SetupAction::Install, true, false, L"C:\\odd \"quoted\" name"},
    };
    for (const auto& c : cases) {
        SetupOptions given;
        given.action = c.action;
        given.silent = c.silent;
        given.console = c.console;
        const std::wstring line = elevatedRunParameters(given, c.folder);
        SetupOptions parsed;
        std::string problem;
        std::vector<std::wstring> arguments = velmora::splitCommandLine(L"setup.exe " + line);
        arguments.erase(arguments.begin());
        ASSERT_TRUE(parseSetupOptions(arguments, parsed, problem)) << problem;
        EXPECT_EQ(parsed.action, c.action);
        EXPECT_EQ(parsed.silent, c.silent);
        EXPECT_EQ(parsed.console, c.console);
        EXPECT_EQ(parsed.installDir, c.folder);
        EXPECT_TRUE(parsed.elevated);
    }
}

}  // namespace
}  // namespace quillsetup

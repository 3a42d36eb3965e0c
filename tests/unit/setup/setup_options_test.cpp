#include "setup/setup_options.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quillsetup

#include <gtest/gtest.h>

#include "launcher/launcher_command_line.h"

using namespace velmora::launcher;

using Args = std::vector<std::wstring>;

TEST(LauncherCommandLine, QuotedProgramPathAndPassThrough) {
    auto cl = LauncherCommandLine::parse(L"\"C:\\Apps\\Setup.exe\" -i silent");
    EXPECT_EQ(cl.arguments, (Args{L"C:\\Apps\\Setup.exe", L"-i", L"silent"}));
    EXPECT_FALSE(cl.consoleRequested);
    EXPECT_FALSE(cl.serviceMode);

    cl = LauncherCommandLine::parse(L"\"C:\\My Apps\\Setup.exe\"   a  b ");
    EXPECT_EQ(cl.arguments, (Args{L"C:\\My Apps\\Setup.exe", L"a", L"b"}));
}

TEST(LauncherCommandLine, UnquotedProgramAndTabs) {
    auto cl = LauncherCommandLine::parse(L"Setup.EXE a\tb");
    EXPECT_EQ(cl.arguments, (Args{L"Setup.EXE", L"a\tb"}));
}

TEST(LauncherCommandLine, ServiceTokens) {
    auto cl = LauncherCommandLine::parse(L"\"q.exe\" -mwkivservice MyService -Dx=1");
    EXPECT_TRUE(cl.serviceMode);
    EXPECT_EQ(cl.serviceName, L"MyService");
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L"-Dx=1"}));

    cl = LauncherCommandLine::parse(L"\"q.exe\" a -mwkivservice");
    EXPECT_FALSE(cl.serviceMode);
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L"a"}));

    // Case matters.
    cl = LauncherCommandLine::parse(L"\"q.exe\" -MWKIVSERVICE x");
    EXPECT_FALSE(cl.serviceMode);
    EXPECT_EQ(cl.arguments.size(), 3u);
}

TEST(LauncherCommandLine, ConsoleRequest) {
    EXPECT_TRUE(LauncherCommandLine::parse(L"\"q.exe\" -i console").consoleRequested);
    EXPECT_FALSE(LauncherCommandLine::parse(L"\"q.exe\" -i Console").consoleRequested);
    EXPECT_FALSE(LauncherCommandLine::parse(L"\"q.exe\" console").consoleRequested);
    // The value after -i is taken as it is, even when it is a launcher token.
    auto cl = LauncherCommandLine::parse(L"\"q.exe\" -i -mwkivservice x");
    EXPECT_FALSE(cl.serviceMode);
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L"-i", L"-mwkivservice", L"x"}));
    EXPECT_TRUE(LauncherCommandLine::parse(L"\"q.exe\" -i console -i gui").consoleRequested);
}

TEST(LauncherCommandLine, QuotedArgumentsAreRejoined) {
    auto cl = LauncherCommandLine::parse(L"\"q.exe\" \"C:\\My Files\\data.txt\" next");
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L"C:\\My Files\\data.txt", L"next"}));

    // Runs of spaces inside the quotes become one.
    cl = LauncherCommandLine::parse(L"\"q.exe\" \"a   b\"");
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L"a b"}));

    // Unterminated: up to the last token, only the leading quote removed.
    cl = LauncherCommandLine::parse(L"\"q.exe\" \"a b c");
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L"a b c"}));

    // An asterisk keeps the token as written.
    cl = LauncherCommandLine::parse(L"\"q.exe\" \"*.txt\" x");
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L"\"*.txt\"", L"x"}));

    // A single quote character opens an argument rather than closing it.
    cl = LauncherCommandLine::parse(L"\"q.exe\" \" a\"");
    EXPECT_EQ(cl.arguments, (Args{L"q.exe", L" a"}));
}

TEST(LauncherCommandLine, ProgramWithOneQuoteIsSplitNormally) {
    auto cl = LauncherCommandLine::parse(L"\"C:\\My Apps\\q.exe x");
    EXPECT_EQ(cl.arguments, (Args{L"C:\\My Apps\\q.exe x"}));
}

TEST(SilentRule, TheLastArgumentDecides) {
    EXPECT_TRUE(silentFromArguments({L"-i", L"silent"}, false));
    EXPECT_TRUE(silentFromArguments({L"SILENT"}, false));
    EXPECT_FALSE(silentFromArguments({L"-i", L"silent", L"-Dx=1"}, true));
    EXPECT_TRUE(silentFromArguments({}, true));
    EXPECT_FALSE(silentFromArguments({}, false));
}

TEST(PlainProgramArguments, OnlyTheLaunchersOwnPairsAreTakenOut) {
    const struct {
        Args argv;
        Args plain;
    } cases[] = {
        {{}, {}},
        {{L"-i", L"silent", L"a b", L""}, {L"-i", L"silent", L"a b", L""}},
        {{L"KIV_VM", L"C:\\j\\java.exe", L"x"}, {L"x"}},
        {{L"x", L"KIV_VM", L"j.exe", L"KIV_VM", L"k.exe"}, {L"x", L"KIV_VM", L"k.exe"}},  // the first pair only
        {{L"x", L"KIV_VM"}, {L"x", L"KIV_VM"}},                                          // no path: an argument
        {{L"kiv_vm", L"y"}, {L"kiv_vm", L"y"}},
        {{L"-mwkivservice", L"Svc", L"-Dx=1", L"-mwkivservice"}, {L"-Dx=1", L"-mwkivservice"}},
    };
    for (const auto& c : cases) EXPECT_EQ(plainProgramArguments(c.argv), c.plain);
}

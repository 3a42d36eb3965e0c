// The arguments handed on to the launcher and the line that starts it.
#include <gtest/gtest.h>

#include "common/argument_quoting.h"
#include "selfextract/launch_line.h"

using namespace ruvo;

TEST(UserArguments, AfterTheProgramPartWithLeadingSpacesKept) {
    EXPECT_EQ(UserArguments(L"setup.exe -i silent "), L"-i silent ");
    EXPECT_EQ(UserArguments(L"\"C:\\My Downloads\\setup.exe\" a \"b c\""), L" a \"b c\"");
    EXPECT_EQ(UserArguments(L"\"C:\\dl\\setup.exe\""), L"");
    EXPECT_EQ(UserArguments(L"setup.exe"), L"");
    EXPECT_EQ(UserArguments(L"\"unterminated a b"), L"");
    EXPECT_EQ(UserArguments(L""), L"");
}

TEST(LaunchLine, QuotedBackslashedLauncherThenTheArguments) {
    std::wstring path = LauncherPath(L"C:\\Users\\John Smith\\Temp\\I1/Windows/setup.exe");
    EXPECT_EQ(path, L"C:\\Users\\John Smith\\Temp\\I1\\Windows\\setup.exe");
    EXPECT_EQ(LaunchLine(path, L" -i silent"), L"\"" + path + L"\"  -i silent");
    EXPECT_EQ(LaunchLine(path, L""), L"\"" + path + L"\" ");
}

TEST(PlainLauncherArguments, OnlyWhatThisProgramActsOnIsTakenOut) {
    using Args = std::vector<std::wstring>;
    const struct {
        Args arguments;
        Args plain;
    } cases[] = {
        {{}, {}},
        {{L"-i", L"silent", L"a b"}, {L"a b"}},
        {{L"x", L"-i", L"console"}, {L"x"}},
        {{L"-i", L"gui", L"y"}, {L"-i", L"gui", L"y"}},  // no mode: not an option
        {{L"-i", L"Silent"}, {L"-i", L"Silent"}},        // modes are exact
        {{L"-jvmxms", L"16m", L"-jvmxmx", L"64m", L"-f", L"build.xml", L"z"}, {L"-f", L"build.xml", L"z"}},
        {{L"a", L"-jvmxmx"}, {L"a", L"-jvmxmx"}},  // without its value
        {{L"-i"}, {L"-i"}},
        {{L"", L"-I", L"silent"}, {L"", L"-I", L"silent"}},
    };
    for (const auto& c : cases) {
        std::vector<const wchar_t*> argv = {L"setup.exe"};
        for (const auto& a : c.arguments) argv.push_back(a.c_str());
        EXPECT_EQ(PlainLauncherArguments(argv.data(), static_cast<int>(argv.size())), velmora::joinArguments(c.plain));
    }
    // Quoted so that the launcher's parser gives each back as it was.
    const wchar_t* awkward[] = {L"setup.exe", L"a b", L"", L"x\\\"y", L"C:\\dir\\"};
    EXPECT_EQ(PlainLauncherArguments(awkward, 5), L"\"a b\" \"\" \"x\\\\\\\"y\" C:\\dir\\");
}

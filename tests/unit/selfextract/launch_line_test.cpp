// The arguments handed on to the launcher and the line that starts it.
#include <gtest/gtest.h>

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

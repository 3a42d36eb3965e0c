// Argument files for `java @file`: what the launcher writes, and the reading rules the bridge
// and the stand-in VM apply to it.
#include "common/java_argument_file.h"

#include <gtest/gtest.h>

#include "common/text_convert.h"
#include "tests/support/argument_cases.h"

using velmora::argumentFileText;
using velmora::parseArgumentFile;

TEST(JavaArgumentFile, QuotedOnlyWhereTheReaderWouldChangeTheArgument) {
    EXPECT_EQ(argumentFileText({L"-classpath", L"C:\\My App\\a.jar;C:\\b.jar;", L"-Dq=a\"b", L"", L"x#y", L"it's",
                                L"line\nbreak\ttab"}),
              L"-classpath\n\"C:\\\\My App\\\\a.jar;C:\\\\b.jar;\"\n\"-Dq=a\\\"b\"\n\"\"\n\"x#y\"\n\"it's\"\n"
              L"\"line\\nbreak\\ttab\"\n");
}

TEST(JavaArgumentFile, WhatIsWrittenReadsBackUnchanged) {
    std::vector<std::wstring> arguments = velmora::test::awkwardArguments();
    arguments.insert(arguments.end(), {L"", L"#", L"'single'", L"\r\n\f", L"C:\\dir\\", L"\\\\server\\share\\"});
    EXPECT_EQ(parseArgumentFile(argumentFileText(arguments)), arguments);
}

TEST(JavaArgumentFile, ReadingRules) {
    const struct {
        const wchar_t* text;
        std::vector<std::wstring> arguments;
    } cases[] = {
        {L"  -cp\ta.jar  Main\r\n", {L"-cp", L"a.jar", L"Main"}},
        {L"# a comment\n-Dx=1 # another\n", {L"-Dx=1"}},
        {L"'a \"b\" c' \"d 'e'\"", {L"a \"b\" c", L"d 'e'"}},
        {L"pre\"quoted part\"post", {L"prequoted partpost"}},
        {L"C:\\outside\\quotes", {L"C:\\outside\\quotes"}},
        {L"\"joined \\\n    line\"", {L"joined line"}},
        {L"\"cut\nhere\"", {L"cut", L"here"}},
        {L"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseArgumentFile(c.text), c.arguments) << velmora::wideToUtf8(c.text);
}

#include "launcher/native_app.h"

#include <gtest/gtest.h>

using namespace velmora::launcher;

TEST(UserOptions, LinesAndTheirProblems) {
    const struct {
        const wchar_t* line;
        const wchar_t* option;
        bool problem;
    } cases[] = {
        {L"", L"", false},
        {L"  \t ", L"", false},
        {L"# -Xmx1g", L"", false},
        {L"  -Xmx4g\t", L"-Xmx4g", false},
        {L"-Dtitle=My App", L"-Dtitle=My App", false},
        {L"-cpx", L"-cpx", false},             // only the option itself takes the class path
        {L"--modules=x", L"--modules=x", false},
        {L"Xmx4g", L"", true},
        {L"-", L"", true},
        {L"-Da=\tb", L"", true},
        {L"-cp", L"", true},
        {L"-classpath lib\\x.jar", L"", true},
        {L"--class-path=x", L"", true},
        {L"-m mod/Main", L"", true},
    };
    for (const auto& c : cases) {
        UserOptionsLine parsed = parseUserOptionsLine(c.line);
        EXPECT_EQ(parsed.option, c.option) << c.line;
        EXPECT_EQ(!parsed.problem.empty(), c.problem) << c.line;
    }
}

TEST(UserOptions, TextNamesTheFirstMalformedLine) {
    UserOptions good = parseUserOptionsText("\xEF\xBB\xBF-Xmx1g\r\n#\n-D\xc3\xa9=1", L"F");
    EXPECT_EQ(good.options, (std::vector<std::wstring>{L"-Xmx1g", L"-D\u00e9=1"}));
    EXPECT_TRUE(good.problem.empty());

    UserOptions bad = parseUserOptionsText("-Xmx1g\n\nnope\n-Dlater\n", L"C:\\x.options");
    EXPECT_TRUE(bad.options.empty());
    EXPECT_EQ(bad.problem.rfind(L"C:\\x.options:3: 'nope'", 0), 0u) << bad.problem;
    EXPECT_EQ(parseUserOptionsText(std::string("-Da\0b\n", 6), L"F").problem, L"F:1: the line holds a NUL character");
}

TEST(HeapShare, OptionByVersionAndBitness) {
    constexpr uint64_t GiB = 1024ull * 1024 * 1024;
    const struct {
        int percent;
        uint16_t major;
        bool vm32Bit;
        uint64_t memory;
        const wchar_t* expected;
    } cases[] = {
        {25, 17, false, 16 * GiB, L"-XX:MaxRAMPercentage=25"},
        {25, 10, true, 16 * GiB, L"-XX:MaxRAMPercentage=25"},
        {25, 8, false, 16 * GiB, L"-Xmx4294967296"},
        {25, 8, true, 16 * GiB, L"-Xmx1073741824"},  // capped for a 32-bit VM
        {25, 8, true, 2 * GiB, L"-Xmx536870912"},
        {50, 9, false, 3 * GiB + 12345, L"-Xmx1610612736"},  // whole megabytes
        {1, 8, false, 0, L""},  // memory unknown: no option
    };
    for (const auto& c : cases)
        EXPECT_EQ(heapShareOption(c.percent, c.major, c.vm32Bit, c.memory), c.expected) << c.percent << " " << c.major;
}

TEST(HeapShare, ExplicitMaximumHeaps) {
    EXPECT_TRUE(setsMaximumHeap({L"-Dx=1", L"-Xmx2g"}));
    EXPECT_TRUE(setsMaximumHeap({L"-XX:MaxRAMPercentage=50"}));
    EXPECT_TRUE(setsMaximumHeap({L"-XX:MaxHeapSize=1g"}));
    EXPECT_FALSE(setsMaximumHeap({L"-Xms2g", L"-XX:MaxRAMFraction=2", L"-Dxmx=1"}));
}

TEST(NoJava, TheVersionTheListAsksFor) {
    const struct {
        const wchar_t* list;
        const wchar_t* text;
    } cases[] = {
        {L"17+", L"Java 17+"}, {L"17*", L"Java 17"},          {L"11.0.2", L"Java 11.0.2"},
        {L"JRE_1.8+", L"Java 1.8+"}, {L"ALL", L"Java"},       {L"JRE_1.8+ 11*", L"Java"},
        {L"", L"Java"},                 {L"17+_validator", L"Java"}, {L"+", L"Java"},
    };
    for (const auto& c : cases) EXPECT_EQ(neededJavaText(c.list), c.text) << c.list;
}

TEST(NoJava, OnlyWebPagesAreOffered) {
    EXPECT_TRUE(isWebPage(L"https://example.com/java"));
    EXPECT_TRUE(isWebPage(L"HTTP://example.com"));
    for (const wchar_t* page : {L"https://", L"file:///C:/x.exe", L"C:\\evil.exe", L"https://a b", L"javascript:x"})
        EXPECT_FALSE(isWebPage(page)) << page;
}

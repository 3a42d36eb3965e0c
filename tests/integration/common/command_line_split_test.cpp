// The system's command-line splitting, done without shell32.
#include "common/command_line_split.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/text_convert.h"

namespace {

using Split = std::vector<std::wstring>;

// Splits the system's documentation gives for Windows itself (backslashes count only before a
// quote; the program's name ends at its closing quote, its backslashes as they are), pinned
// here so that they hold wherever the comparison below runs.
TEST(CommandLineSplit, DocumentedSplits) {
    const struct {
        const wchar_t* line;
        Split expected;
    } cases[] = {
        {LR"(p.exe "abc" d e)", {L"p.exe", L"abc", L"d", L"e"}},
        {LR"(p.exe a\\b d"e f"g h)", {L"p.exe", LR"(a\\b)", L"de fg", L"h"}},
        {LR"(p.exe a\\\"b c d)", {L"p.exe", LR"(a\"b)", L"c", L"d"}},
        {LR"(p.exe a\\\\"b c" d e)", {L"p.exe", LR"(a\\b c)", L"d", L"e"}},
        {LR"("C:\Program Files\p.exe" x)", {LR"(C:\Program Files\p.exe)", L"x"}},
        {L"p.exe \t a\tb  ", {L"p.exe", L"a", L"b"}},
        {LR"(p.exe "")", {L"p.exe", L""}},
    };
    for (const auto& c : cases) EXPECT_EQ(velmora::splitCommandLine(c.line), c.expected) << velmora::wideToUtf8(c.line);
    EXPECT_TRUE(velmora::splitCommandLine(L"").empty());
}

// The launcher splits without shell32; every line of up to six of the characters that matter,
// after a plain or quoted program, must split exactly as the system's parser splits it.
TEST(CommandLineSplit, AgreesWithTheSystemsParser) {
    const std::wstring alphabet = L"a \t\"\\";
    const std::wstring programs[] = {L"p.exe", L"\"C:\\a b\\p.exe\"", L"\"p.exe", L""};
    size_t compared = 0;
    for (const auto& program : programs) {
        std::wstring tail;
        std::vector<size_t> digits;
        while (digits.size() <= 6) {
            tail.clear();
            for (size_t d : digits) tail += alphabet[d];
            const std::wstring line = program + tail;
            if (!line.empty()) {
                int count = 0;
                LPWSTR* argv = ::CommandLineToArgvW(line.c_str(), &count);
                ASSERT_NE(argv, nullptr);
                const std::vector<std::wstring> expected(argv, argv + count);
                ::LocalFree(argv);
                ASSERT_EQ(velmora::splitCommandLine(line), expected) << velmora::wideToUtf8(line);
                ++compared;
            }
            // The next tail, counting in base 5 with one more digit after the last.
            size_t i = 0;
            while (i < digits.size() && ++digits[i] == alphabet.size()) digits[i++] = 0;
            if (i == digits.size()) digits.push_back(0);
        }
    }
    EXPECT_GT(compared, 4u * 19000u);
}

}  // namespace

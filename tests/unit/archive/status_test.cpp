#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/al_status.h"

namespace {

TEST(ALErrorState, FreshStateAndSetWithAndWithoutDetail) {
    ALErrorState state;
    EXPECT_EQ(state.Code(), 0);
    EXPECT_STREQ(state.Text(), L"No errors");

    EXPECT_EQ(state.Set(AL_SEEK_ERROR, "Seek failure on %s.  errno = %d", L"a.zip", 22), AL_SEEK_ERROR);
    EXPECT_STREQ(state.Text(), L"Seek failure on a.zip.  errno = 22");

    // Without a format the detail goes away and the fallback text stands for it.
    state.Set(AL_READ_ERROR);
    EXPECT_EQ(state.Code(), AL_READ_ERROR);
    EXPECT_STREQ(state.Text(), L"Unable to allocate memory for error detail message");
}

TEST(ALErrorState, DetailIsCutTo128Characters) {
    ALErrorState state;
    std::wstring longName(300, L'x');
    state.Set(AL_CANT_OPEN_FILE, "File open failure.  Open of %s returned errno = %d", longName.c_str(), 2);
    std::wstring text = state.Text();
    ASSERT_EQ(text.size(), 128u);
    EXPECT_EQ(text.substr(0, 28), L"File open failure.  Open of ");
}

TEST(ALErrorState, CopyTakesCodeAndDetailOrDropsDetail) {
    ALErrorState from, to;
    from.Set(AL_WRITE_ERROR, "Write failure on %s.  result = %d, errno = %d", L"f", 3, 28);
    to.Copy(from);
    EXPECT_EQ(to.Code(), AL_WRITE_ERROR);
    EXPECT_STREQ(to.Text(), L"Write failure on f.  result = 3, errno = 28");

    ALErrorState plain;
    plain.Set(AL_DELETE_ERROR);
    to.Copy(plain);
    EXPECT_EQ(to.Code(), AL_DELETE_ERROR);
    EXPECT_STREQ(to.Text(), L"Unable to allocate memory for error detail message");
}

TEST(ALStatusReport, PrintedLinesFollowTheTable) {
    EXPECT_EQ(ALStatusReportLine(-1980), L"Code -1980 = 'Invalid archive'");
    EXPECT_EQ(ALStatusReportLine(-1), L"Code -1 = 'End of file'");
    EXPECT_EQ(ALStatusReportLine(-1200), L"Code -1200 = 'Can't allocate buffer'");
    EXPECT_EQ(ALStatusReportLine(-1984), L"Code -1984 = 'CRC Error'");
    EXPECT_EQ(ALStatusReportLine(-1974), L"Code -1974 = 'Missing Crypto engine'");
    EXPECT_EQ(ALStatusReportLine(-1998), L"Code -1998 = 'Can't create compression engine'");
    // Reserved codes, unknown codes and every non-negative result print nothing.
    for (int code : {-1983, -1982, -1973, -2000, -2, 0, 3})
        EXPECT_EQ(ALStatusReportLine(code), L"") << code;
}

std::vector<std::wstring> reported;
void collect(const wchar_t* line) { reported.emplace_back(line); }

TEST(ALStatusReport, WritesThroughTheLineWriterOnlyWhenThereIsALine) {
    reported.clear();
    ALReportStatus(-1980, collect);
    ALReportStatus(-1983, collect);
    ALReportStatus(3, collect);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], L"Code -1980 = 'Invalid archive'");
}

TEST(ALFormat, WideStringsAndCuts) {
    EXPECT_EQ(ALFormat(64, L"%s=%ld", L"k\u00e9y", -1980L), L"k\u00e9y=-1980");
    EXPECT_EQ(ALFormat(6, L"%s", L"abcdefgh"), L"abcde");
}

}  // namespace

#include <gtest/gtest.h>

#include <windows.h>

#include "selfextract/log_line.h"
#include "tests/support/temp_folder.h"

namespace {

using velmora::test::TempFolder;

struct LogGuard {
    ~LogGuard() {
        ruvo::SetDebugLogging(false);
        ruvo::SetLogDirectory(L"");
    }
};

TEST(LogLine, PathAndMessageShapes) {
    EXPECT_EQ(ruvo::LogFilePath(L"C:\\Work", L"sea.log"), L"C:\\Work\\sea.log");
    EXPECT_EQ(ruvo::LogFilePath(L"", L"sea.log"), L"\\sea.log");
}

TEST(LogLine, AppendsFormattedLinesWithCrLfAcrossCalls) {
    TempFolder folder;
    LogGuard guard;
    ruvo::SetDebugLogging(true);
    ruvo::SetLogDirectory(folder.path().c_str());
    ruvo::LogLine("Self Extractor execution begins.");
    ruvo::LogLine("Using working directory to decompress files: %s", L"C:\\tmp\\x");
    ruvo::LogArchiveStatus(-1980);
    ruvo::LogArchiveStatus(5);  // a successful count prints nothing
    ruvo::LogLine("*** FAILURE: Unable to unzip file: Error %d", -1980);
    EXPECT_EQ(folder.read(L"sea.log"),
              "Self Extractor execution begins.\r\n"
              "Using working directory to decompress files: C:\\tmp\\x\r\n"
              "Code -1980 = 'Invalid archive'\r\n"
              "*** FAILURE: Unable to unzip file: Error -1980\r\n");
}

TEST(LogLine, LongMessagesAreCutTo511Characters) {
    TempFolder folder;
    LogGuard guard;
    ruvo::SetDebugLogging(true);
    ruvo::SetLogDirectory(folder.path().c_str());
    std::wstring longText(700, L'a');
    ruvo::LogLine("%s", longText.c_str());
    EXPECT_EQ(folder.read(L"sea.log"), std::string(511, 'a') + "\r\n");
}

TEST(LogLine, WritesNothingWhenOffAndLosesLinesSilentlyWhenUnwritable) {
    TempFolder folder;
    LogGuard guard;
    ruvo::SetDebugLogging(false);
    ruvo::SetLogDirectory(folder.path().c_str());
    ruvo::LogLine("not written");
    EXPECT_EQ(GetFileAttributesW((folder / L"sea.log").c_str()), INVALID_FILE_ATTRIBUTES);

    ruvo::SetDebugLogging(true);
    ruvo::SetLogDirectory((folder / L"missing\\folder").c_str());
    ruvo::LogLine("lost");  // must simply return
    EXPECT_EQ(GetFileAttributesW((folder / L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

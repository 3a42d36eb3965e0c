// KIV_DEBUG and sea.log as seen from outside.
#include <gtest/gtest.h>

#include "tests/system/selfextract/test_installer.h"

using namespace velmora::test;

TEST(Logging, KivDebugTrueWritesSeaLogAndRemovesAStaleRuvoLog) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.pack();
    std::wstring stale = installer.path(L"start\\ruvo.log");
    writeFileBytes(stale, "old");

    EXPECT_EQ(installer.runQuoted(L"-i silent", {.extraEnvironment = {L"KIV_DEBUG=True"}}).exitCode, 0u);
    EXPECT_EQ(GetFileAttributesW(stale.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(installer.runQuoted(L"-i console", {.extraEnvironment = {L"KIV_DEBUG=TRUE"}}).exitCode, 0u);
    std::string log = installer.seaLog();
    EXPECT_EQ(countOf(log, "Self Extractor execution begins.\r\n"), 2u);  // appended, never truncated
    EXPECT_TRUE(log.rfind("Self Extractor execution begins.\r\nRunning in Silent Mode\r\n", 0) == 0) << log;
    EXPECT_TRUE(contains(log, "Using TEMP path from win32 subsystem: " + narrow(installer.temporaryFolder())));
    EXPECT_TRUE(contains(log, "Free disk space: "));
    EXPECT_EQ(countOf(log, "Comparing free disk space... \r\n"), 2u);
}

TEST(Logging, OtherValuesWriteNothing) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.pack();
    std::wstring stale = installer.path(L"start\\ruvo.log");
    writeFileBytes(stale, "old");
    EXPECT_EQ(installer.runQuoted(L"-i silent", {.extraEnvironment = {L"KIV_DEBUG=1"}}).exitCode, 0u);
    EXPECT_EQ(installer.runQuoted(L"-i silent", {.removedEnvironment = {L"KIV_DEBUG"}}).exitCode, 0u);
    EXPECT_EQ(installer.seaLog(), "");
    EXPECT_EQ(readFileBytes(stale), "old");
}

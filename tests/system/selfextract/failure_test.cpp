// Runs that cannot start a launcher: exit code -1, the failure's log lines, and what is left.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/test_paths.h"
#include "tests/system/selfextract/test_installer.h"

using namespace velmora::test;

namespace {

bool holdsWorkingDirectory(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\I*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

// The size-limited folder that small_disk_test.sh mounts and names in RUVO_SMALL_DISK; empty
// outside that script.
std::wstring smallDiskFolder() {
    const char* smallDisk = std::getenv("RUVO_SMALL_DISK");
    return smallDisk && *smallDisk ? windowsPathOfHostPath(smallDisk) : std::wstring();
}

// A silent run with `folder` as the temporary folder: exit code -1, nothing started.
std::string failedSilentRunIn(const TestInstaller& installer, const std::wstring& folder) {
    ChildResult result = installer.runQuoted(L"-i silent", {.extraEnvironment = {L"TMP=" + folder, L"TEMP=" + folder}});
    EXPECT_EQ(result.exitCode, static_cast<DWORD>(-1));
    EXPECT_FALSE(installer.launcherRan());
    return installer.seaLog();
}

}  // namespace

// A damaged installer stays damaged wherever it unpacks: silent runs log it as before, console
// runs say it where the user reads.
TEST(Failures, DamagedPayloadStartsNothing) {
    const struct {
        void (TestInstaller::*damage)() const;
        const char* status;
    } cases[] = {{&TestInstaller::damageFirstMember, "-1984 = 'CRC Error'"},
                 {&TestInstaller::truncatePayload, "-1980 = 'Invalid archive'"}};
    for (const auto& c : cases) {
        TestInstaller installer;
        installer.addStandInLauncher();
        installer.pack();
        (installer.*c.damage)();
        const std::string code = std::string(c.status).substr(0, 5);

        ChildResult result = installer.runQuoted(L"-i silent");
        EXPECT_EQ(result.exitCode, static_cast<DWORD>(-1));
        EXPECT_FALSE(installer.launcherRan());
        std::string log = installer.seaLog();
        EXPECT_TRUE(contains(log, std::string("Code ") + c.status + "\r\n")) << log;
        EXPECT_TRUE(contains(log, "*** FAILURE: Unable to unzip file: Error " + code + "\r\n")) << log;
        EXPECT_TRUE(contains(log, "Dialog: Please select another location to extract the installer to:\r\n"));
        EXPECT_FALSE(contains(log, "Success."));
        EXPECT_EQ(result.standardOutput, "");
        // What the failed extraction wrote is of no use: it goes with the working directory.
        EXPECT_TRUE(installer.workingDirectories().empty());

        result = installer.runQuoted(L"-i console", {.extraEnvironment = {L"KIV_DEBUG=false"}});
        EXPECT_EQ(result.exitCode, static_cast<DWORD>(-1));
        EXPECT_EQ(result.standardOutput,
                  "*** FAILURE: Unable to unzip file: the installer is damaged. Please get another copy of the "
                  "installer and try again.\n")
            << c.status;
        EXPECT_TRUE(installer.workingDirectories().empty());
    }
}

TEST(Failures, LauncherThatCannotStart) {
    TestInstaller installer;
    installer.add(L"Windows\\setup.exe", "this is no program");
    installer.add(L"Windows\\setup.kiv", "kiv.nl.java.launcher.main.class=a.B\n");
    installer.pack();

    ChildResult result = installer.runQuoted(L"-i silent");
    EXPECT_EQ(result.exitCode, static_cast<DWORD>(-1));
    std::string log = installer.seaLog();
    EXPECT_TRUE(contains(log, "*** Error 18: 'Unable to execute the desired program.' ***\r\n")) << log;
    EXPECT_TRUE(contains(log, "*** Secondary error string: 'Please get another copy of the installer and try again.' ***"));
    EXPECT_TRUE(contains(log, "*** FAILURE: Unable to execute the EXE program.\r\n"));
    EXPECT_FALSE(contains(log, "terminated with an exit code"));
    // Extracted files stay after a failure; only an abort removes them.
    ASSERT_EQ(installer.workingDirectories().size(), 1u);
}

TEST(Failures, RenamedInstallerFallsBackToAnotherProgram) {
    TestInstaller installer;
    installer.addStandInLauncher();
    // A 64-bit folder without programs is no launcher: the search goes on in Windows\.
    installer.add(L"Windows_Pure_64_Bit\\readme.txt", "64");
    installer.pack();
    std::wstring renamed = installer.path(L"dl\\other.exe");
    ASSERT_TRUE(MoveFileW(installer.installer().c_str(), renamed.c_str()));

    ChildResult result = installer.run(inQuotes(renamed) + L" -i silent", {.extraEnvironment = {L"STANDIN_EXIT=4"}});
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_EQ(installer.recorded(L"exe.txt"), installer.workingDirectories().at(0) + L"\\Windows\\setup.exe");
    EXPECT_FALSE(contains(result.standardOutput, "Unable to locate")) << result.standardOutput;
}

// Needs a size-limited folder as the temporary folder: small_disk_test.sh mounts one and
// names it in RUVO_SMALL_DISK.
TEST(Failures, NotEnoughSpace) {
    const std::wstring folder = smallDiskFolder();
    if (folder.empty()) GTEST_SKIP() << "run through small_disk_test.sh";
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.add(L"InstallerData\\data.bin", noise(1 << 20));
    installer.pack(0);

    std::string log = failedSilentRunIn(installer, folder);
    EXPECT_TRUE(contains(log, "*** Error 14: 'Not enough room for a complete install.' ***\r\n")) << log;
    EXPECT_TRUE(contains(log, "*** Secondary error string: 'Please select a temporary location to extract the installer to:' ***"));
    size_t required = (readFileBytes(installer.installer()).size() - 2048) * 3 / 1024;
    std::string figures = "Required disc space is " + std::to_string(required) + " KB, available is ";
    EXPECT_TRUE(contains(log, "*** FAILURE: Not enough free disk space available: " + figures)) << log;
    // The empty working directory is gone again.
    EXPECT_FALSE(holdsWorkingDirectory(folder));
}

// The free-space rule passes (the payload compresses well) but the volume fills up while the
// members are written: nothing is started and the partial files do not stay on the full volume.
TEST(Failures, VolumeFillingUpDuringExtractionLeavesNothing) {
    const std::wstring folder = smallDiskFolder();
    if (folder.empty()) GTEST_SKIP() << "run through small_disk_test.sh";
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.add(L"InstallerData\\zeros.bin", std::string(16 << 20, '\0'));
    installer.pack();

    std::string log = failedSilentRunIn(installer, folder);
    EXPECT_FALSE(contains(log, "Not enough free disk space")) << log;
    EXPECT_TRUE(contains(log, "*** FAILURE: Unable to unzip file: Error -1992\r\n")) << log;
    EXPECT_FALSE(holdsWorkingDirectory(folder));
}

// TMP naming a folder that is gone (a removed drive, a stale profile): the files go below
// C:\Temp, never into the folder that happens to be current.
TEST(Failures, MissingTemporaryFolderTakesCTemp) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.pack();
    std::wstring gone = installer.path(L"gone");

    ChildResult result = installer.runQuoted(
        L"-i silent", {.extraEnvironment = {L"TMP=" + gone, L"TEMP=" + gone, L"STANDIN_EXIT=5"}});
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(installer.path(L"start\\I*").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a working directory in the current folder";
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    std::wstring working = installer.recorded(L"cwd.txt");
    if (!working.empty()) removeTree(working);
    EXPECT_EQ(result.exitCode, 5u) << describe(result);
    EXPECT_EQ(_wcsnicmp(working.c_str(), L"C:\\Temp\\I", 9), 0) << narrow(working);
    EXPECT_TRUE(contains(installer.seaLog(), "Unable to enter " + narrow(gone))) << installer.seaLog();
}

// The sweep of old scratch files through the real quillrun.exe: it runs once the VM has
// started and at most once a day, it removes abandoned files, and it never removes the file of
// a launcher that still runs, however old, while the Java side keeps every right over that file.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <thread>

#include "common/unique_handle.h"
#include "tests/system/launcher/launcher_test_support.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kKivText =
    "kiv.nl.java.launcher.main.class=com.example.Main\n"
    "kiv.class.path=lib/a.jar\n"
    "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n";

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Sets the last write `days` back, through a handle that takes no part in sharing.
bool backdate(const std::wstring& path, int days) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    if (!file) return false;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 60 * 60 * 10'000'000;
    FILETIME then{time.LowPart, time.HighPart};
    return ::SetFileTime(file.get(), nullptr, nullptr, &then) != 0;
}

// What a Java program does with its scratch file: open it the way the Java runtime does and write.
bool appendAsJava(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The launchers of this test get a temporary folder of their own: launchers of tests running
// beside it would otherwise take the day's sweep of the shared one first.
std::wstring temporaryFolder() {
    wchar_t shared[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, shared);
    static const std::wstring folder = std::wstring(shared) + L"quillrun-sweep-test-" +
                                       std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

ChildOptions inTemporaryFolder(ChildOptions options = {}) {
    options.extraEnvironment.push_back(L"TMP=" + temporaryFolder());
    options.extraEnvironment.push_back(L"TEMP=" + temporaryFolder());
    return options;
}

// A file in the temporary folder as a run that ended long ago may have left it.
std::wstring abandonedScratchFile(const std::wstring& name, const std::string& text) {
    const std::wstring path = temporaryFolder() + name;
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file) ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return path;
}

}  // namespace

TEST(ScratchSweep, AfterTheVmStartsAbandonedFilesGoAndALiveOneStaysWithTheJavaSideFree) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun11", L"jre\\bin\\java.exe");
    app.writeKiv(kKivText);
    const std::wstring release = app.path(L"release.flag");

    // Left behind by earlier runs: removed when 31 days old and the launcher's; kept otherwise.
    struct Leftover {
        const wchar_t* name;
        const char* text;
        int ageDays;
        bool removed;
    };
    const Leftover leftovers[] = {
        {L"kivsweep1.tmp", "kiv.nl.current.vm=C:\\\\jre\\\\bin\\\\java.exe\r\n", 31, true},
        {L"kivsweep2.tmp", "kiv.nl.env.exact_case.PATH=x\r\nkiv.control-key=true\r\n", 31, true},
        {L"kivsweep3.tmp", "kiv.nl.current.vm=C:\\\\jre\\\\bin\\\\java.exe\r\n", 29, false},
        {L"kivsweep4.tmp", "someone.else=1\r\n", 31, false},
    };
    // A launcher whose VM runs until released.
    ChildOptions waiting = inTemporaryFolder();
    waiting.extraEnvironment.push_back(L"STANDIN_WAIT_FILE=" + release);
    ChildResult waitingResult;
    std::thread waitingRun([&] { waitingResult = app.run(L"", {}, waiting); });
    std::wstring live;
    for (int i = 0; i < 300 && live.empty(); ++i) {
        ::Sleep(100);
        live = app.scratchFileOf(app.recorded(L"commandline.txt"));
    }
    if (live.empty()) app.write(L"release.flag", "");
    ASSERT_FALSE(live.empty()) << "the waiting VM did not start";
    ::DeleteFileW(app.path(L"rec\\commandline.txt").c_str());

    // Placed once the first launcher's own sweep is over (it ran as its VM started).
    for (const Leftover& leftover : leftovers) {
        const std::wstring path = abandonedScratchFile(leftover.name, leftover.text);
        EXPECT_TRUE(backdate(path, leftover.ageDays));
    }
    // Its scratch file, unwritten for 31 days as far as anyone can tell.
    EXPECT_TRUE(backdate(live, 31));
    // The folder was swept when the first launcher's VM started: a run the same day leaves it.
    ChildResult sameDay = app.run(L"", {}, inTemporaryFolder(debugSwitch(L"true")));
    EXPECT_EQ(sameDay.exitCode, 0u) << describe(sameDay);
    EXPECT_EQ(splitTrail(sameDay.standardError).trail.find("scratch files of earlier runs"), std::string::npos);
    for (const Leftover& leftover : leftovers) EXPECT_TRUE(exists(temporaryFolder() + leftover.name));
    // A day later a second launcher sweeps.
    EXPECT_TRUE(backdate(temporaryFolder() + L"quillrun-sweep.stamp", 1));
    ChildResult sweeping = app.run(L"", {}, inTemporaryFolder(debugSwitch(L"true")));
    EXPECT_EQ(sweeping.exitCode, 0u) << describe(sweeping);

    EXPECT_TRUE(exists(live)) << "the sweep removed the scratch file of a running launcher";
    for (const Leftover& leftover : leftovers) {
        const std::wstring path = temporaryFolder() + leftover.name;
        EXPECT_EQ(exists(path), !leftover.removed) << utf8(leftover.name);
        ::DeleteFileW(path.c_str());
    }
    // The sweep is housekeeping: its line comes after the VM's start.
    const std::string trail = splitTrail(sweeping.standardError).trail;
    const size_t started = trail.find("quillrun: starting: ");
    const size_t swept = trail.find("scratch files of earlier runs");
    ASSERT_NE(swept, std::string::npos) << trail;
    EXPECT_LT(started, swept) << trail;

    // The Java side still writes and deletes its file while the launcher holds it.
    EXPECT_TRUE(appendAsJava(live, "kiv.nl.env.exact_case.MORE=1\r\n"));
    EXPECT_TRUE(::DeleteFileW(live.c_str())) << ::GetLastError();
    app.write(L"release.flag", "");
    waitingRun.join();
    EXPECT_EQ(waitingResult.exitCode, 0u) << describe(waitingResult);
    EXPECT_FALSE(exists(live));
    std::error_code ignored;
    std::filesystem::remove_all(temporaryFolder(), ignored);
}

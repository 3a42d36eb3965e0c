// Faults during an upgrade or uninstall, each leaving the previous version installed: the
// application running, a file of it held open, another setup of it running, a run killed
// halfway (its leftovers laid out, and the real engine killed), a file the uninstaller cannot
// remove.
#include <gtest/gtest.h>

#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "tests/support/temp_folder.h"
#include "tests/system/setup/setup_test_support.h"

namespace setup_test {
namespace {

using velmora::wideToUtf8;

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = uniqueApp(L"Fault");
        forget(app_);
        ASSERT_EQ(install(app_, L"1.0"), 0u);
        folder_ = installFolder(app_);
    }
    void TearDown() override { forget(app_); }
    void expectVersion(const wchar_t* version) {
        EXPECT_EQ(fileText(folder_ + L"\\lib\\common.jar"), "common " + wideToUtf8(version));
        EXPECT_TRUE(exists(folder_ + L"\\lib\\core-" + std::wstring(version) + L".jar"));
        EXPECT_EQ(registryValue(rootOf(app_), uninstallKey(app_), L"DisplayVersion"), version);
        EXPECT_FALSE(exists(folder_ + L".setup-new"));
        EXPECT_FALSE(exists(folder_ + L".setup-old"));
    }
    App app_;
    std::wstring folder_;
};

// Something holding the installed application: a silent upgrade refuses with 1618 and changes
// nothing; once it lets go the upgrade goes through.
TEST_F(Faults, InstalledApplicationInUseRefusesTheUpgrade) {
    const struct {
        const char* what;
        bool runApplication;  // else a jar is held open
    } cases[] = {{"the application runs", true}, {"a jar is held open", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PROCESS_INFORMATION running{};
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.runApplication) {
            STARTUPINFOW startup{sizeof startup};
            std::wstring line = L"\"" + folder_ + L"\\" + app_.launcher() + L"\"";
            ::SetEnvironmentVariableW(L"SETUP_TEST_APP_STAY", L"20000");
            ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                                         &startup, &running));
            ::SetEnvironmentVariableW(L"SETUP_TEST_APP_STAY", nullptr);
            ::Sleep(500);
        } else {
            held = ::CreateFileW((folder_ + L"\\lib\\common.jar").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        EXPECT_EQ(install(app_, L"1.1"), 1618u);
        if (c.runApplication) {
            ::TerminateProcess(running.hProcess, 0);
            ::WaitForSingleObject(running.hProcess, 5000);
            ::CloseHandle(running.hProcess);
            ::CloseHandle(running.hThread);
        } else {
            ::CloseHandle(held);
        }
        expectVersion(L"1.0");
        EXPECT_EQ(install(app_, L"1.1"), 0u);
        expectVersion(L"1.1");
        ASSERT_EQ(install(app_, L"1.0", L"-i silent"), 1638u);  // back to the start needs a new app
        forget(app_);
        ASSERT_EQ(install(app_, L"1.0"), 0u);
    }
}

TEST_F(Faults, AnotherSetupOfTheSameApplicationRunning) {
    HANDLE lock = ::CreateMutexW(nullptr, TRUE, (L"Local\\" + app_.id + L".setup").c_str());
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(install(app_, L"1.1"), 1618u);
    expectVersion(L"1.0");
    EXPECT_EQ(uninstall(app_).exitCode, 1618u);
    expectVersion(L"1.0");
    ::ReleaseMutex(lock);
    ::CloseHandle(lock);
    EXPECT_EQ(install(app_, L"1.1"), 0u);
    expectVersion(L"1.1");
}

// What a run killed at each point between its steps leaves, and the next run cleaning it up:
// the previous version stays (or comes back) and the user's files stay with it.
TEST_F(Faults, NextRunRepairsWhatAKilledRunLeft) {
    const struct {
        const char* when;
        bool movedAside;   // the old folder was already renamed to .setup-old
        bool userFileInNew;  // the user's file was already carried over into .setup-new
    } cases[] = {
        {"while the new folder was put together", false, false},
        {"after the user's files were carried over", false, true},
        {"between the two renames", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        const std::wstring pendingNew = folder_ + L".setup-new", pendingOld = folder_ + L".setup-old";
        velmora::test::writeFileBytes(folder_ + L"\\notes.txt", "mine");
        ::CreateDirectoryW(pendingNew.c_str(), nullptr);
        ::CreateDirectoryW((pendingNew + L"\\lib").c_str(), nullptr);
        velmora::test::writeFileBytes(pendingNew + L"\\lib\\common.jar", "half");
        if (c.userFileInNew) {
            velmora::test::writeFileBytes(pendingNew + L"\\setup.carried", "notes.txt\n");
            ASSERT_TRUE(::MoveFileW((folder_ + L"\\notes.txt").c_str(), (pendingNew + L"\\notes.txt").c_str()));
        }
        if (c.movedAside) {
            ASSERT_TRUE(::MoveFileW(folder_.c_str(), pendingOld.c_str()));
        }
        // The installed version still starts from where the shortcut points (after repair).
        EXPECT_EQ(install(app_, L"1.0"), 0u);
        expectVersion(L"1.0");
        EXPECT_EQ(fileText(folder_ + L"\\notes.txt"), "mine");
        ::DeleteFileW((folder_ + L"\\notes.txt").c_str());
    }
}

// The real engine killed at points of an upgrade over a folder where the user keeps many files
// of their own (carried over one by one, the longest step): the version installed before stays
// whole and starts, ruvo's working folder still goes, and the next run completes the upgrade
// with every file of the user's in place.
TEST_F(Faults, EngineKilledDuringAnUpgrade) {
    constexpr int kUserFiles = 2000;
    const std::wstring pendingNew = folder_ + L".setup-new";
    const struct {
        const char* when;
        std::wstring awaited;  // killed once this exists
        int carriedFiles;      // and this many of the user's files are in it
        bool mayBeUpgraded;    // the kill may come after the new folder took the old one's place
    } cases[] = {
        {"as the new folder appears", pendingNew, 0, false},
        {"halfway through carrying the user's files over", pendingNew + L"\\data", kUserFiles / 3, false},
        {"with the files placed, writing the uninstaller", pendingNew + L"\\uninstall.settings", 0, true},
    };
    auto filesIn = [](const std::wstring& folder) {
        WIN32_FIND_DATAW entry;
        HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
        int count = 0;
        if (find == INVALID_HANDLE_VALUE) return count;
        do count += !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (::FindNextFileW(find, &entry));
        ::FindClose(find);
        return count;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        velmora::test::writeFileBytes(folder_ + L"\\notes.txt", "mine");
        ::CreateDirectoryW((folder_ + L"\\data").c_str(), nullptr);
        for (int i = 0; i < kUserFiles; ++i)
            velmora::test::writeFileBytes(folder_ + L"\\data\\part" + std::to_wstring(i) + L".dat", "x");
        const WorkingFolder working = layOut(app_, L"1.1");
        STARTUPINFOW startup{sizeof startup};
        PROCESS_INFORMATION engine{};
        std::wstring line = L"\"" + working.setup + L"\" -i silent";
        ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, working.path.c_str(),
                                     &startup, &engine));
        bool reached = false;
        for (int i = 0; i < 200000 && !reached; ++i) {
            reached = exists(c.awaited) && (!c.carriedFiles || filesIn(c.awaited) >= c.carriedFiles);
            if (!reached && ::WaitForSingleObject(engine.hProcess, 0) == WAIT_OBJECT_0) break;
        }
        ::TerminateProcess(engine.hProcess, 9);
        ::WaitForSingleObject(engine.hProcess, 10000);
        ::CloseHandle(engine.hProcess);
        ::CloseHandle(engine.hThread);
        ASSERT_TRUE(reached) << "the engine ended before the point was reached";

        // One whole version is in the folder: the old one, or past the last steps the new one.
        const std::string common = fileText(folder_ + L"\\lib\\common.jar");
        const bool upgraded = c.mayBeUpgraded && common == "common 1.1";
        EXPECT_TRUE(upgraded || common == "common 1.0") << common;
        EXPECT_TRUE(exists(folder_ + L"\\lib\\core-" + std::wstring(upgraded ? L"1.1" : L"1.0") + L".jar"));
        EXPECT_EQ(velmora::test::runChild(L"\"" + folder_ + L"\\" + app_.launcher() + L"\"").exitCode, 0u);
        EXPECT_TRUE(goneSoon(working.path)) << "the working folder stays";

        EXPECT_EQ(install(app_, L"1.1"), 0u);
        expectVersion(L"1.1");
        EXPECT_EQ(fileText(folder_ + L"\\notes.txt"), "mine");
        EXPECT_EQ(filesIn(folder_ + L"\\data"), kUserFiles);
        forget(app_);
        ASSERT_EQ(install(app_, L"1.0"), 0u);
    }
}

// A new version under a new name (same application id) stays in the folder the entry names and
// leaves no shortcut to the old launcher, which is gone, nor the file type it no longer opens;
// the uninstaller then removes it all.
TEST_F(Faults, UpgradeThatRenamesTheApplication) {
    const std::wstring extension = L".tdoc" + velmora::asciiLower(app_.name);
    const std::wstring progId = L"Software\\Classes\\" + app_.id + extension;
    App before = app_;
    before.extraSettings = "association=" + wideToUtf8(extension) + "|Test document\n";
    ASSERT_EQ(install(before, L"1.0"), 0u);
    ASSERT_TRUE(exists(startMenuLink(app_)));
    ASSERT_TRUE(registryKeyExists(rootOf(app_), progId));
    App renamed = app_;
    renamed.name += L"Next";
    renamed.extraSettings = "shortcut.desktop=true\n";
    ASSERT_EQ(install(renamed, L"1.1"), 0u);
    EXPECT_EQ(registryValue(rootOf(app_), uninstallKey(app_), L"InstallLocation"), folder_);
    EXPECT_TRUE(exists(folder_ + L"\\" + renamed.launcher()));
    EXPECT_FALSE(exists(folder_ + L"\\" + app_.launcher()));
    EXPECT_FALSE(exists(startMenuLink(app_)));
    EXPECT_TRUE(exists(startMenuLink(renamed)));
    EXPECT_TRUE(exists(desktopLink(renamed)));
    EXPECT_FALSE(registryKeyExists(rootOf(app_), progId));
    EXPECT_FALSE(registryKeyExists(rootOf(app_), L"Software\\Classes\\" + extension));
    EXPECT_EQ(uninstall(renamed).exitCode, 0u);
    EXPECT_FALSE(exists(startMenuLink(renamed)));
    EXPECT_FALSE(exists(desktopLink(renamed)));
    EXPECT_TRUE(goneSoon(folder_));
    forget(renamed);
}

// The engine runs in the self-extractor's working folder, which goes when it ends: a relative
// install folder would be resolved there, installed into and taken away with it.
TEST_F(Faults, RelativeInstallFolderIsRefused) {
    const auto refused = [&] {
        const WorkingFolder folder = layOut(app_, L"1.1");
        const auto result = runSetup(folder, L"-i silent --install-dir " + app_.name);
        EXPECT_EQ(result.exitCode, 1603u);
        EXPECT_NE(result.standardError.find("--install-dir needs a full path"), std::string::npos)
            << result.standardError;
        EXPECT_TRUE(goneSoon(folder.path));
    };
    refused();  // over the installed version
    expectVersion(L"1.0");
    forget(app_);
    refused();  // a first install
    EXPECT_FALSE(registryKeyExists(rootOf(app_), uninstallKey(app_)));
}

// Files the user deleted, a whole folder of them included, are no failure of the uninstall.
TEST_F(Faults, UninstallOfAnApplicationMissingSomeOfItsFiles) {
    velmora::test::removeTree(folder_ + L"\\lib");
    const auto result = uninstall(app_);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_FALSE(registryKeyExists(rootOf(app_), uninstallKey(app_)));
    EXPECT_TRUE(goneSoon(folder_));
}

// The uninstaller goes through a copy of itself in %TEMP% named by its process number; a copy of
// an earlier run with that number may still be at work there (Wine reuses numbers at once).
TEST_F(Faults, UninstallerRemovesItselfWhenAnEarlierCopyHoldsItsName) {
    std::wstring command = registryValue(rootOf(app_), uninstallKey(app_), L"QuietUninstallString");
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                                 &startup, &info));
    velmora::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    wchar_t temp[MAX_PATH + 1];
    const std::wstring taken = std::wstring(temp, ::GetTempPathW(MAX_PATH + 1, temp)) + L"setup-cleanup-" +
                               std::to_wstring(info.dwProcessId) + L".exe";
    velmora::UniqueFileHandle held(
        ::CreateFileW(taken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!held) ::TerminateProcess(process.get(), 255);  // no suspended uninstaller left behind
    ASSERT_TRUE(held);
    ::ResumeThread(thread.get());
    EXPECT_EQ(::WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 255;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(goneSoon(folder_ + L"\\uninstall.exe"));
    EXPECT_TRUE(goneSoon(folder_));
}

TEST_F(Faults, UninstallNamesAFileItCannotRemoveAndRemovesTheRest) {
    HANDLE held = ::CreateFileW((folder_ + L"\\lib\\common.jar").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Held by another program the application's running check sees it: 1618, nothing removed.
    EXPECT_EQ(uninstall(app_).exitCode, 1618u);
    expectVersion(L"1.0");
    ::CloseHandle(held);
    // Files that cannot be deleted: folders in their place the uninstaller would not empty. The
    // first is named and the others counted.
    for (const wchar_t* name : {L"\\lib\\common.jar", L"\\lib\\core-1.0.jar"}) {
        ::DeleteFileW((folder_ + name).c_str());
        ::CreateDirectoryW((folder_ + name).c_str(), nullptr);
        velmora::test::writeFileBytes(folder_ + name + L"\\x", "x");
    }
    const auto result = uninstall(app_);
    EXPECT_EQ(result.exitCode, 1603u);
    EXPECT_NE(result.standardError.find(".jar (+1)"), std::string::npos) << result.standardError;
    EXPECT_FALSE(exists(folder_ + L"\\" + app_.launcher()));
    EXPECT_FALSE(registryKeyExists(rootOf(app_), uninstallKey(app_)));
    EXPECT_TRUE(goneSoon(folder_ + L"\\uninstall.exe"));
    // Once what was left is gone, installing again works.
    velmora::test::removeTree(folder_ + L"\\lib\\common.jar");
    velmora::test::removeTree(folder_ + L"\\lib\\core-1.0.jar");
    EXPECT_EQ(install(app_, L"1.1"), 0u);
    expectVersion(L"1.1");
}

}  // namespace
}  // namespace setup_test

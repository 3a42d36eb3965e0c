// The interactive engine as a user meets it: the progress window, the prompt naming the running
// application (Cancel), the uninstall confirmation (No, then Yes), the wait for another setup,
// and the application started from its installed folder afterwards.
#include <gtest/gtest.h>

#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "tests/support/dialog_driver/dialog_driver.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wine_desktop.h"
#include "tests/system/setup/setup_test_support.h"

namespace setup_test {
namespace {

using velmora::wideToUtf8;

struct Started {
    Started() = default;
    Started(Started&&) = default;
    // A test that fails before its answer leaves no engine waiting on a prompt (holding the
    // output pipes of the test run).
    ~Started() {
        if (process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process.get(), 255);
    }
    velmora::UniqueKernelHandle process, thread;
    DWORD id = 0;
    DWORD wait(DWORD timeoutMs = 60000) {
        if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.get(), 255);
            return 255;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(process.get(), &code);
        return code;
    }
};

Started start(const std::wstring& commandLine, const std::wstring& folder) {
    velmora::test::startWineDesktopDetached();
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    Started started;
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.empty() ? nullptr : folder.c_str(),
                         &startup, &info)) {
        started.process.reset(info.hProcess);
        started.thread.reset(info.hThread);
        started.id = info.dwProcessId;
    }
    return started;
}

std::wstring messageText(HWND box) { return velmora::test::controlText(box, 0xFFFF); }

struct Search {
    DWORD process;
    std::wstring caption;
    bool withMessage;
    HWND found;
};

// A visible dialog window (#32770) of the process with this caption, and with a message when
// asked (the progress window shares the prompt's caption); null after the time-out.
HWND waitForWindow(DWORD process, const std::wstring& caption, DWORD timeoutMs = 20000, bool withMessage = false) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        Search search{process, caption, withMessage, nullptr};
        ::EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                wchar_t text[256] = {}, kind[64] = {};
                ::GetWindowTextW(window, text, 256);
                ::GetClassNameW(window, kind, 64);
                if (owner == s->process && ::IsWindowVisible(window) && s->caption == text &&
                    std::wstring(kind) == L"#32770" && (!s->withMessage || !messageText(window).empty())) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        ::Sleep(100);
    }
    return nullptr;
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = uniqueApp(L"Dialog");
        forget(app_);
    }
    void TearDown() override { forget(app_); }
    App app_;
};

TEST_F(Dialogs, InstallShowsProgressThenStartsTheApplicationFromItsFolder) {
    app_.extraSettings = "launch.afterInstall=true\n";
    velmora::test::TempFolder temp;
    const std::wstring record = temp / L"started.txt";
    ::SetEnvironmentVariableW(L"SETUP_TEST_APP_RECORD", record.c_str());
    // Another setup holds the lock: the window shows, waiting, until it lets go.
    HANDLE lock = ::CreateMutexW(nullptr, TRUE, (L"Local\\" + app_.id + L".setup").c_str());
    const WorkingFolder folder = layOut(app_, L"1.0");
    Started setup = start(velmora::test::inQuotes(folder.setup), folder.path);
    HWND window = waitForWindow(setup.id, app_.name + L" Setup");
    ASSERT_NE(window, nullptr);
    // It opens with its installing text and shows the wait once it finds the lock taken.
    const std::wstring waiting = L"Another installation of " + app_.name;
    std::wstring shown;
    for (int i = 0; i < 100 && shown.find(waiting) == std::wstring::npos; ++i, ::Sleep(100))
        shown = velmora::test::controlText(window, 1001);
    EXPECT_NE(shown.find(waiting), std::wstring::npos) << wideToUtf8(shown);
    ::ReleaseMutex(lock);
    ::CloseHandle(lock);
    EXPECT_EQ(setup.wait(), 0u);
    ::SetEnvironmentVariableW(L"SETUP_TEST_APP_RECORD", nullptr);
    EXPECT_TRUE(goneSoon(folder.path));
    for (int i = 0; i < 50 && fileText(record).empty(); ++i) ::Sleep(100);
    const std::string started = fileText(record);
    EXPECT_EQ(started.substr(0, started.find('|')), wideToUtf8(installFolder(app_)));
    EXPECT_NE(started.find(wideToUtf8(installFolder(app_) + L"\\" + app_.launcher())), std::string::npos) << started;
}

TEST_F(Dialogs, RunningApplicationPromptNamesItAndCancelKeepsTheOldVersion) {
    ASSERT_EQ(install(app_, L"1.0"), 0u);
    const std::wstring jar = installFolder(app_) + L"\\lib\\common.jar";
    HANDLE held = ::CreateFileW(jar.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const WorkingFolder folder = layOut(app_, L"1.1");
    Started setup = start(velmora::test::inQuotes(folder.setup), folder.path);
    HWND prompt = waitForWindow(setup.id, app_.name + L" Setup", 20000, true);
    ASSERT_NE(prompt, nullptr);
    const std::wstring text = messageText(prompt);
    EXPECT_NE(text.find(app_.name + L" is running"), std::wstring::npos) << wideToUtf8(text);
    EXPECT_NE(text.find(L"common.jar"), std::wstring::npos) << wideToUtf8(text);
    EXPECT_TRUE(velmora::test::controlVisible(prompt, IDRETRY));
    velmora::test::clickButton(prompt, IDCANCEL);
    EXPECT_EQ(setup.wait(), 1602u);
    ::CloseHandle(held);
    EXPECT_EQ(fileText(jar), "common 1.0");
    EXPECT_TRUE(goneSoon(folder.path));
}

TEST_F(Dialogs, UninstallAsksFirst) {
    ASSERT_EQ(install(app_, L"1.0"), 0u);
    const std::wstring command = registryValue(rootOf(app_), uninstallKey(app_), L"UninstallString");
    const struct {
        int button;
        DWORD code;
        bool stays;
    } answers[] = {{IDNO, 1602, true}, {IDYES, 0, false}};
    for (const auto& answer : answers) {
        Started uninstaller = start(command, L"");
        HWND confirm = waitForWindow(uninstaller.id, L"Uninstall " + app_.name);
        ASSERT_NE(confirm, nullptr);
        EXPECT_NE(messageText(confirm).find(L"remove " + app_.name), std::wstring::npos);
        velmora::test::clickButton(confirm, answer.button);
        EXPECT_EQ(uninstaller.wait(), answer.code);
        EXPECT_EQ(exists(installFolder(app_) + L"\\" + app_.launcher()), answer.stays);
        EXPECT_EQ(registryKeyExists(rootOf(app_), uninstallKey(app_)), answer.stays);
    }
}

}  // namespace
}  // namespace setup_test

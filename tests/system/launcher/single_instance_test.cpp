// One instance per application: two real launchers of one application, the stand-in VM
// reading the hand-overs as the kit's Java library does.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

#include "common/argument_quoting.h"
#include "tests/support/argument_cases.h"
#include "tests/support/test_paths.h"
#include "tests/support/wine_desktop.h"
#include "tests/system/launcher/launcher_test_support.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora::test;

namespace {

const std::string kSingleKiv =
    "kiv.nl.java.launcher.main.class=com.example.Main\n"
    "kiv.class.path=lib/a.jar\n"
    "kiv.nl.current.vm=jdk\\\\bin\\\\java.exe\n"
    "kiv.nl.java.arguments.plain=true\n"
    "kiv.single.instance=true\n";

bool waitUntil(const std::function<bool()>& done, int tenthsOfSeconds = 300) {
    for (int i = 0; i < tenthsOfSeconds; ++i) {
        if (done()) return true;
        ::Sleep(100);
    }
    return done();
}

size_t countOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

// What the stand-in appends for one hand-over.
std::string recordOf(const std::wstring& folder, const std::vector<std::wstring>& arguments) {
    std::string entry = "handover\nfolder:" + utf8(folder) + "\n";
    for (const auto& argument : arguments) entry += "argument:" + utf8(argument) + "\n";
    return entry;
}

// A single-instance application whose first VM runs until release().
class RunningApp {
public:
    explicit RunningApp(const std::string& extraKeys = "", const std::vector<std::wstring>& environment = {}) {
        startWineDesktopDetached();  // the running launcher looks for its program's window
        app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
        app.writeKiv(kSingleKiv + extraKeys);
        options = debugSwitch(L"true");
        options.extraEnvironment.insert(options.extraEnvironment.end(), environment.begin(), environment.end());
        options.extraEnvironment.push_back(L"STANDIN_WAIT_FILE=" + app.path(L"go"));
        options.extraEnvironment.push_back(L"STANDIN_INSTANCE_RECORD=" + app.path(L"rec\\handovers.txt"));
    }
    ~RunningApp() { join(); }
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    // Starts the launcher with the arguments in the background; its result lands in `results`.
    void start(const std::wstring& arguments) {
        results.push_back(std::make_unique<ChildResult>());
        ChildResult* into = results.back().get();
        threads_.emplace_back([this, arguments, into] { *into = app.run(arguments, {}, options); });
    }
    void startFirst() {
        start(L"");
        ASSERT_TRUE(waitUntil([&] { return !app.recorded(L"commandline.txt").empty(); })) << "the first VM did not start";
    }
    void release() const { app.write(L"go", ""); }
    void join() {
        release();
        for (auto& thread : threads_) thread.join();
        threads_.clear();
    }
    std::string handOvers() const { return app.recordedBytes(L"handovers.txt"); }
    // The running launcher's pipe: the program's, named on the VM's command line, less its suffix.
    std::wstring launcherPipe() const {
        const std::wstring line = app.recorded(L"commandline.txt");
        const std::wstring property = L"-Dkiv.instance.pipe=";
        const size_t at = line.find(property);
        if (at == std::wstring::npos) return {};
        const std::wstring pipe = line.substr(at + property.size(), line.find(L' ', at) - at - property.size());
        return pipe.substr(0, pipe.rfind(L"-program"));
    }
    size_t vmRuns() const { return countOf(app.recordedBytes(L"runs.log"), "application|"); }
    std::string firstTrail() const { return results.empty() ? std::string() : splitTrail(results[0]->standardError).trail; }

    VmTestApp app;
    ChildOptions options;
    std::vector<std::unique_ptr<ChildResult>> results;

private:
    std::vector<std::thread> threads_;
};

std::string le32(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// A hand-made second start: reads the greeting, sends `bytes`, and reports whether the
// running launcher acknowledged them.
bool sendRaw(const std::wstring& pipeName, const std::string& bytes) {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 50 && pipe == INVALID_HANDLE_VALUE; ++i) {
        pipe = ::CreateFileW(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) ::WaitNamedPipeW(pipeName.c_str(), 100);
    }
    if (pipe == INVALID_HANDLE_VALUE) return false;
    char buffer[8];
    DWORD got = 0, written = 0;
    bool acknowledged = ::ReadFile(pipe, buffer, 8, &got, nullptr) && got == 8 &&
                        ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        ::ReadFile(pipe, buffer, 4, &got, nullptr) && got == 4;
    ::CloseHandle(pipe);
    return acknowledged;
}

}  // namespace

TEST(SingleInstance, SecondStartHandsOverItsExactArgumentsAndFolderAndEnds) {
    RunningApp running;
    running.startFirst();
    ASSERT_FALSE(running.launcherPipe().empty()) << utf8(running.app.recorded(L"commandline.txt"));
    const std::wstring folder = running.app.path(L"work \u00e4 \u65e5");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ChildOptions second = running.options;
    second.workingDirectory = folder;
    const std::vector<std::wstring>& arguments = awkwardArguments();
    ChildResult result = running.app.run(velmora::joinArguments(arguments), {}, second);
    EXPECT_EQ(result.exitCode, 0u) << describe(result);
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_TRUE(hasLine(splitTrail(result.standardError).trail, L"single instance: handed over, this start ends"))
        << result.standardError;
    const std::string expected = recordOf(folder, arguments);
    EXPECT_TRUE(waitUntil([&] { return running.handOvers() == expected; }, 100)) << running.handOvers();
    running.join();
    EXPECT_EQ(running.results[0]->exitCode, 0u) << describe(*running.results[0]);
    EXPECT_EQ(running.vmRuns(), 1u);
}

TEST(SingleInstance, TenStartsAtOnceGiveOneVm) {
    RunningApp running;
    for (int i = 0; i < 10; ++i) running.start(L"start" + std::to_wstring(i));
    EXPECT_TRUE(waitUntil([&] { return countOf(running.handOvers(), "handover\n") >= 9; }, 600)) << running.handOvers();
    running.join();
    for (const auto& result : running.results) EXPECT_EQ(result->exitCode, 0u) << describe(*result);
    EXPECT_EQ(running.vmRuns(), 1u) << running.app.recordedBytes(L"runs.log");
    // Each argument reached the one program once: on its command line or in a hand-over.
    const std::string all = running.handOvers() + utf8(running.app.recorded(L"commandline.txt")) + "\n";
    for (int i = 0; i < 10; ++i) {
        const std::string argument = "start" + std::to_string(i);
        EXPECT_EQ(countOf(all, "argument:" + argument + "\n") + countOf(all, " " + argument + "\n"), 1u) << argument << all;
    }
}

TEST(SingleInstance, AStartBehindAStalledHandOverRunsItselfWhenTheFirstEnds) {
    RunningApp running;
    running.startFirst();
    const std::wstring pipe = running.launcherPipe();
    // A client that greets and then says nothing holds the running launcher's only pipe.
    HANDLE stalled = ::CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(stalled, INVALID_HANDLE_VALUE) << ::GetLastError();
    char hello[8];
    DWORD got = 0;
    EXPECT_TRUE(::ReadFile(stalled, hello, 8, &got, nullptr) && got == 8);
    ChildResult second;
    ChildOptions secondOptions = running.options;
    std::thread secondRun([&] { second = running.app.run(L"\"the second\"", {}, secondOptions); });
    ::Sleep(2000);
    running.release();  // the first ends while the second waits for it
    secondRun.join();
    ::CloseHandle(stalled);
    running.join();
    EXPECT_EQ(running.results[0]->exitCode, 0u) << describe(*running.results[0]);
    EXPECT_EQ(second.exitCode, 0u) << describe(second);
    EXPECT_TRUE(hasLine(splitTrail(second.standardError).trail, L"single instance: the running instance has ended"))
        << second.standardError;
    EXPECT_EQ(running.vmRuns(), 2u);
    EXPECT_EQ(programArgumentsOf(running.app.recorded(L"commandline.txt"), L"com.example.Main"),
              std::vector<std::wstring>{L"the second"});
}

TEST(SingleInstance, MalformedOrOversizedHandOversAreDroppedAndTheNextIsTaken) {
    RunningApp running;
    running.startFirst();
    const std::wstring pipe = running.launcherPipe();
    const std::string folder = le32(3) + "C:\\";
    const struct {
        const char* name;
        std::string bytes;
        bool taken;
    } cases[] = {
        {"oversized", le32(256 * 1024 + 1) + std::string(64, 'x'), false},
        {"count beyond the texts", le32(11) + le32(2) + folder, false},
        {"not UTF-8", le32(16) + le32(1) + folder + le32(1) + "\xff", false},
        {"lengths that do not add up", le32(14) + le32(0) + folder + "xyz", false},
        {"cut short", le32(40) + le32(0) + folder, false},
        {"well formed", le32(19) + le32(1) + folder + le32(4) + "r\xc3\xa4w", true},
    };
    for (const auto& c : cases) EXPECT_EQ(sendRaw(pipe, c.bytes), c.taken) << c.name;
    const std::string rawRecord = "handover\nfolder:C:\\\nargument:r\xc3\xa4w\n";
    EXPECT_TRUE(waitUntil([&] { return running.handOvers() == rawRecord; }, 100)) << running.handOvers();
    ChildResult result = running.app.run(L"after", {}, running.options);
    EXPECT_EQ(result.exitCode, 0u) << describe(result);
    EXPECT_TRUE(waitUntil([&] { return countOf(running.handOvers(), "handover\n") == 2; }, 100)) << running.handOvers();
    EXPECT_TRUE(contains(running.handOvers(), "argument:after\n")) << running.handOvers();
    running.join();
    EXPECT_EQ(countOf(running.firstTrail(), "hand-over dropped: "), 5u) << running.firstTrail();
}

TEST(SingleInstance, TheApplicationIdMakesCopiesInOtherFoldersOneApplication) {
    // As a run-type installer unpacks a fresh copy for every start.
    const std::string id = "kiv.application.id=Velmora.Test.Single" + std::to_string(::GetCurrentProcessId()) + "\n";
    RunningApp running(id);
    running.startFirst();
    VmTestApp copy;
    copy.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
    copy.writeKiv(kSingleKiv + id);
    ChildResult result = copy.run(L"copy", {}, running.options);
    EXPECT_EQ(result.exitCode, 0u) << describe(result);
    EXPECT_TRUE(copy.recorded(L"commandline.txt").empty());
    EXPECT_TRUE(waitUntil([&] { return contains(running.handOvers(), "argument:copy\n"); }, 100)) << running.handOvers();
    running.join();
}

TEST(SingleInstance, TheRunningWindowComesForwardRestored) {
    const std::wstring title = L"Single instance window " + std::to_wstring(::GetCurrentProcessId());
    RunningApp running("", {L"STANDIN_WINDOW=" + title});
    running.startFirst();
    HWND window = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (window = ::FindWindowW(nullptr, title.c_str())) != nullptr; }, 100));
    ::ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return ::IsIconic(window) != FALSE; }, 50));
    ChildResult result = running.app.run(L"file.txt", {}, running.options);
    EXPECT_EQ(result.exitCode, 0u) << describe(result);
    EXPECT_TRUE(waitUntil([&] { return !::IsIconic(window) && ::GetForegroundWindow() == window; }, 50))
        << "iconic " << ::IsIconic(window) << ", foreground " << ::GetForegroundWindow() << " not " << window;
    running.join();
    EXPECT_TRUE(hasLine(running.firstTrail(), L"single instance: the program's window brought forward"));
}

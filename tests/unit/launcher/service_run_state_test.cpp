// The service's states and its Java process under every order of launch, stop and failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "launcher/launcher_command_line.h"
#include "launcher/service/service_launcher.h"
#include "launcher/service/service_run_state.h"

using namespace velmora;
using namespace velmora::launcher;

namespace {

struct RecordingSystem : ServiceSystem {
    std::vector<SERVICE_STATUS> reports;
    std::vector<HANDLE> terminated;
    void reportStatus(const SERVICE_STATUS& status) override { reports.push_back(status); }
    void terminateProcess(HANDLE process) override { terminated.push_back(process); }

    std::vector<DWORD> states() const {
        std::vector<DWORD> result;
        for (const auto& r : reports) result.push_back(r.dwCurrentState);
        return result;
    }
};

// Any kernel object stands in for the Java process: the run state only holds and hands it on.
UniqueKernelHandle fakeProcess() { return UniqueKernelHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

using States = std::vector<DWORD>;

}  // namespace

TEST(ServiceRunState, StopWhileRunningTerminatesTheVmAndReportsStopped) {
    RecordingSystem system;
    ServiceRunState state(system);
    ASSERT_TRUE(state.beginStart());
    UniqueKernelHandle process = fakeProcess();
    HANDLE raw = process.get();
    state.adoptProcess(std::move(process));
    EXPECT_EQ(state.launchSucceeded(), raw);
    EXPECT_EQ(state.heldProcess(), raw);

    state.stop();
    state.stop();  // a second stop (or the application's own end) changes nothing
    EXPECT_EQ(system.states(), (States{SERVICE_START_PENDING, SERVICE_RUNNING, SERVICE_STOP_PENDING, SERVICE_STOPPED}));
    EXPECT_EQ(system.terminated, std::vector<HANDLE>{raw});
    EXPECT_EQ(state.heldProcess(), nullptr);
    EXPECT_TRUE(state.stopped());

    EXPECT_EQ(system.reports[1].dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
    EXPECT_EQ(system.reports[2].dwControlsAccepted, 0u);
    const SERVICE_STATUS& last = system.reports.back();
    EXPECT_EQ(last.dwControlsAccepted, 0u);
    EXPECT_EQ(last.dwWin32ExitCode, 0u);
    EXPECT_EQ(last.dwCheckPoint, 0u);
    EXPECT_EQ(last.dwWaitHint, 0u);
}

TEST(ServiceRunState, StopDuringTheLaunchIsFinishedByTheWorker) {
    RecordingSystem system;
    ServiceRunState state(system);
    ASSERT_TRUE(state.beginStart());
    state.stop();
    // Not stopped yet: the worker may still be creating the process.
    EXPECT_EQ(system.states(), (States{SERVICE_START_PENDING, SERVICE_STOP_PENDING}));
    EXPECT_FALSE(state.stopped());

    UniqueKernelHandle process = fakeProcess();
    HANDLE raw = process.get();
    state.adoptProcess(std::move(process));
    EXPECT_EQ(system.terminated, std::vector<HANDLE>{raw});
    EXPECT_EQ(state.launchSucceeded(), nullptr);  // nothing to wait for
    EXPECT_EQ(system.states(), (States{SERVICE_START_PENDING, SERVICE_STOP_PENDING, SERVICE_STOPPED}));
    EXPECT_EQ(system.reports.back().dwWin32ExitCode, 0u);
    EXPECT_EQ(state.heldProcess(), nullptr);
    EXPECT_EQ(system.terminated.size(), 1u);
}

TEST(ServiceRunState, FailedLaunchesStopWithTheirCode) {
    {
        RecordingSystem system;
        ServiceRunState state(system);
        ASSERT_TRUE(state.beginStart());
        state.launchFailed(kServiceNoVm);
        state.stop();
        EXPECT_EQ(system.states(), (States{SERVICE_START_PENDING, SERVICE_STOPPED}));
        EXPECT_EQ(system.reports.back().dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
        EXPECT_EQ(system.reports.back().dwServiceSpecificExitCode, kServiceNoVm);
        EXPECT_EQ(system.reports.back().dwControlsAccepted, 0u);
    }
    {
        // A stop during the launch does not hide why the launch failed.
        RecordingSystem system;
        ServiceRunState state(system);
        ASSERT_TRUE(state.beginStart());
        state.stop();
        state.launchFailed(kServiceStartFailed);
        EXPECT_EQ(system.states(), (States{SERVICE_START_PENDING, SERVICE_STOP_PENDING, SERVICE_STOPPED}));
        EXPECT_EQ(system.reports.back().dwServiceSpecificExitCode, kServiceStartFailed);
    }
    {
        // A launch that returned without a process never leaves the service pending.
        RecordingSystem system;
        ServiceRunState state(system);
        ASSERT_TRUE(state.beginStart());
        EXPECT_EQ(state.launchSucceeded(), nullptr);
        EXPECT_EQ(system.states(), (States{SERVICE_START_PENDING, SERVICE_STOPPED}));
        EXPECT_EQ(system.reports.back().dwServiceSpecificExitCode, kServiceStartFailed);
    }
}

TEST(ServiceRunState, StopBeforeTheStartKeepsTheServiceStopped) {
    RecordingSystem system;
    ServiceRunState state(system);
    state.stop();
    EXPECT_FALSE(state.beginStart());
    EXPECT_EQ(system.states(), (States{SERVICE_STOP_PENDING, SERVICE_STOPPED}));
}

TEST(ServiceRunState, RacingStopAndLaunchTerminateOnceAndReportInOrder) {
    for (int round = 0; round < 200; ++round) {
        RecordingSystem system;
        ServiceRunState state(system);
        ASSERT_TRUE(state.beginStart());
        UniqueKernelHandle process = fakeProcess();
        HANDLE raw = process.get();
        std::atomic<int> ready{0};
        HANDLE waitFor = nullptr;
        std::thread worker([&] {
            ++ready;
            while (ready < 2) {
            }
            state.adoptProcess(std::move(process));
            waitFor = state.launchSucceeded();
        });
        std::thread handler([&] {
            ++ready;
            while (ready < 2) {
            }
            state.stop();
        });
        worker.join();
        handler.join();
        if (waitFor) state.stop();  // what the service main does once the wait ends

        SCOPED_TRACE(round);
        ASSERT_EQ(system.terminated, std::vector<HANDLE>{raw});
        States states = system.states();
        ASSERT_EQ(states.back(), static_cast<DWORD>(SERVICE_STOPPED));
        ASSERT_EQ(std::count(states.begin(), states.end(), static_cast<DWORD>(SERVICE_STOPPED)), 1);
        auto stopPending = std::find(states.begin(), states.end(), static_cast<DWORD>(SERVICE_STOP_PENDING));
        ASSERT_NE(stopPending, states.end());
        ASSERT_EQ(std::find(stopPending, states.end(), static_cast<DWORD>(SERVICE_RUNNING)), states.end());
        ASSERT_EQ(state.heldProcess(), nullptr);
    }
}

TEST(ServiceControlHandler, HandlesStopAndShutdownOnly) {
    ServiceLauncher launcher(LauncherCommandLine::parse(L"\"q.exe\" -mwkivservice Unit"));
    for (DWORD control : {DWORD{SERVICE_CONTROL_PAUSE}, DWORD{SERVICE_CONTROL_CONTINUE},
                          DWORD{SERVICE_CONTROL_INTERROGATE}, DWORD{200}})
        EXPECT_EQ(ServiceLauncher::controlHandler(control, 0, nullptr, &launcher),
                  static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED))
            << control;
    EXPECT_EQ(ServiceLauncher::controlHandler(SERVICE_CONTROL_SHUTDOWN, 0, nullptr, &launcher), 0u);
    EXPECT_EQ(ServiceLauncher::controlHandler(SERVICE_CONTROL_STOP, 0, nullptr, &launcher), 0u);
}

// quillrun as a Windows service, driven through Wine's service control manager with the
// stand-in VM as the application.
#include <gtest/gtest.h>

#include "common/text_convert.h"
#include "tests/support/service_client.h"
#include "tests/support/test_paths.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kKiv =
    "kiv.nl.java.launcher.main.class=com.example.Server\n"
    "kiv.class.path=lib/server.jar\n";

// An application folder whose .kiv file names the stand-in VM at jre\bin\java.exe. A service
// does not inherit the test's environment, so the stand-in reads its settings from its file.
struct ServiceApp {
    VmTestApp app;
    std::wstring java;

    explicit ServiceApp(const std::string& standinSettings, const std::string& kivLines = "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n") {
        java = app.placeVm(L"standin_vm_sun18", L"jre\\bin\\java.exe");
        app.configureVm(L"jre\\bin", "record=" + wideToUtf8(app.path(L"rec")) + "\n" + standinSettings);
        app.writeKiv(kKiv + kivLines);
    }
    std::wstring binaryPath(const TestService& service, const std::wstring& extra = L"") const {
        return inQuotes(app.path(L"app.exe")) + L" -mwkivservice " + service.name() + extra;
    }
};

// Creates the service for the folder's launcher, starts it and opens its process, whose exit
// code the tests read after it ended; the handle is not valid when any step failed.
UniqueKernelHandle createAndStart(TestService& service, const ServiceApp& folder, const std::wstring& extra = L"") {
    UniqueKernelHandle process;
    EXPECT_EQ(service.create(folder.binaryPath(service, extra)), 0u);
    EXPECT_EQ(service.startAndOpen(process), 0u);
    EXPECT_TRUE(process.valid()) << "the service process could not be opened";
    return process;
}

// Waits until the manager shows the service stopped, with this exit code.
ServiceSnapshot expectStopped(TestService& service, DWORD win32ExitCode) {
    ServiceSnapshot s = service.waitFor(SERVICE_STOPPED);
    EXPECT_EQ(s.state, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(s.win32ExitCode, win32ExitCode);
    return s;
}

}  // namespace

TEST(ServiceHost, RunsTheApplicationAndStopsItOnRequest) {
    ServiceApp folder("sleep.ms=120000\nexit=5\n");
    TestService service(L"VelmoraRun");
    UniqueKernelHandle launcher = createAndStart(service, folder);
    ASSERT_TRUE(launcher.valid());

    ServiceSnapshot s = service.waitFor(SERVICE_RUNNING);
    ASSERT_EQ(s.state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(s.controlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
    EXPECT_EQ(s.win32ExitCode, 0u);
    std::vector<UniqueKernelHandle> vms = processesRunning(folder.java);
    ASSERT_EQ(vms.size(), 1u) << "the VM should run while the service runs";

    // Nothing but stop is handled; the service keeps running. The manager refuses a pause
    // itself, as the service does not accept one; interrogate and user controls reach the
    // handler, whose answer (120) Wine's manager does not pass on.
    ControlAnswer pause = service.control(SERVICE_CONTROL_PAUSE);
    EXPECT_EQ(pause.error, static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
    EXPECT_EQ(pause.after.state, static_cast<DWORD>(SERVICE_RUNNING));
    for (DWORD code : {DWORD{SERVICE_CONTROL_INTERROGATE}, DWORD{200}}) {
        ControlAnswer answer = service.control(code);
        EXPECT_EQ(answer.error, 0u) << code;
        EXPECT_EQ(answer.after.state, static_cast<DWORD>(SERVICE_RUNNING)) << code;
    }
    EXPECT_EQ(::WaitForSingleObject(vms[0].get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    ControlAnswer stop = service.control(SERVICE_CONTROL_STOP);
    EXPECT_EQ(stop.error, 0u);
    expectStopped(service, 0);
    // The VM was terminated with 0 (by itself it would have ended with 5, much later).
    EXPECT_EQ(waitForProcessEnd(vms[0].get()), 0u);
    EXPECT_EQ(waitForProcessEnd(launcher.get()), 0u);
}

TEST(ServiceHost, StopsWhenTheApplicationEndsWithZero) {
    ServiceApp folder("exit=0\n");
    TestService service(L"VelmoraEnd0");
    UniqueKernelHandle launcher = createAndStart(service, folder, L" -Dx=1");
    ASSERT_TRUE(launcher.valid());
    EXPECT_EQ(waitForProcessEnd(launcher.get()), 0u);
    expectStopped(service, 0);

    // The VM ignores console signals (-Xrs, after the empty additional options) and gets only
    // the arguments meant for it.
    std::wstring line = folder.app.recorded(L"commandline.txt");
    EXPECT_NE(line.find(L"  -Xrs -classpath "), std::wstring::npos) << line;
    EXPECT_EQ(line.find(L"-mwkivservice"), std::wstring::npos) << line;
    EXPECT_EQ(line.find(service.name()), std::wstring::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 6), L" -Dx=1") << line;
}

TEST(ServiceHost, EndsWithTheApplicationsFailureCode) {
    ServiceApp folder("exit=2\n");
    TestService service(L"VelmoraEnd2");
    UniqueKernelHandle launcher = createAndStart(service, folder);
    ASSERT_TRUE(launcher.valid());
    // Wine keeps showing such a service as running, so only the exit code tells.
    EXPECT_EQ(waitForProcessEnd(launcher.get()), 2u);
    EXPECT_FALSE(folder.app.recorded(L"commandline.txt").empty());
}

TEST(ServiceHost, LaunchFailuresStopWithAServiceSpecificCode) {
    struct Case {
        const char* what;
        std::string kivLines;
        DWORD specificCode;
    };
    const Case cases[] = {
        {"no VM", "kiv.nl.current.vm=missing\\\\java.exe\n", 1},
        {"VM that cannot start", "kiv.nl.current.vm=broken\\\\java.exe\n", 2},
    };
    // The windowed build too: a service has no user to close a message box, so none may hold it.
    for (const wchar_t* build : {L"quillrun.exe", L"quillrunw.exe"})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + wideToUtf8(build));
        ServiceApp folder("", c.kivLines);
        ASSERT_TRUE(::CopyFileW(distProgram(build).c_str(), folder.app.path(L"app.exe").c_str(), FALSE));
        folder.app.write(L"broken\\java.exe", "not a program\n");
        TestService service(L"VelmoraFail");
        UniqueKernelHandle launcher = createAndStart(service, folder);
        ASSERT_TRUE(launcher.valid());
        EXPECT_EQ(expectStopped(service, ERROR_SERVICE_SPECIFIC_ERROR).serviceSpecificExitCode, c.specificCode);
        EXPECT_EQ(waitForProcessEnd(launcher.get()), 1u);
    }
}

TEST(ServiceHost, StopWhileStartingLeavesNoVmBehind) {
    ServiceApp folder("sleep.ms=120000\n");
    TestService service(L"VelmoraEarly");
    UniqueKernelHandle launcher = createAndStart(service, folder);
    ASSERT_TRUE(launcher.valid());
    // As early as the manager lets a stop through: usually while the worker is still launching.
    ControlAnswer stop;
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    do {
        stop = service.control(SERVICE_CONTROL_STOP);
    } while (stop.error != 0 && stop.after.state == SERVICE_START_PENDING && ::GetTickCount64() < deadline);
    EXPECT_EQ(stop.error, 0u);
    expectStopped(service, 0);
    EXPECT_EQ(waitForProcessEnd(launcher.get()), 0u);
    EXPECT_TRUE(processesRunning(folder.java).empty()) << "a VM outlived its stopped service";
}

TEST(ServiceHost, RefusesToRunWithoutTheServiceManager) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun18", L"jre\\bin\\java.exe");
    app.writeKiv(kKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n");

    // Started from a console: no dispatcher connection, so nothing runs and the run fails.
    ChildResult r = app.run(L"-mwkivservice " + std::wstring(255, L'n'));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_TRUE(contains(r.standardError, "Quillrun Error: service mode runs only when the service control manager "
                                          "starts the program (Windows error 1063)\n"))
        << r.standardError;
    EXPECT_TRUE(app.recorded(L"commandline.txt").empty());

    // A name that does not fit the dispatch table is refused before the dispatcher starts.
    r = app.run(L"-mwkivservice " + std::wstring(256, L'n'));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_TRUE(contains(r.standardError, "Quillrun Error: the service name has 256 characters; a service name must be "
                                          "shorter than 256 characters\n"))
        << r.standardError;
}

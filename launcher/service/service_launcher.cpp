#include "launcher/service/service_launcher.h"

#include <atomic>
#include <string>

#include "common/decimal_text.h"
#include "launcher/console_service.h"
#include "launcher/launcher_errors.h"
#include "launcher/service/service_api.h"

namespace velmora::launcher {
namespace {

std::atomic<ServiceLauncher*> theServiceLauncher{nullptr};

// After the service has stopped, how long the main thread waits for the service threads
// to wind down before it ends the process without them.
constexpr DWORD kThreadEndWaitMs = 30000;

std::wstring windowsErrorText(const wchar_t* what, DWORD error) {
    return std::wstring(what) + L" (Windows error " + decimalText(static_cast<int32_t>(error)) + L")";
}

}  // namespace

bool controlStopsService(DWORD control) { return control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN; }

ServiceWorker::ServiceWorker(ServiceLauncher& launcher)
    : done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), launcher(launcher) {}

ServiceLauncher::ServiceLauncher(LauncherCommandLine commandLine) : Launcher(std::move(commandLine)) {
    theServiceLauncher = this;
}

ServiceLauncher::~ServiceLauncher() {
    ServiceLauncher* self = this;
    theServiceLauncher.compare_exchange_strong(self, nullptr);
}

void ServiceLauncher::startService() {
    const std::wstring& name = commandLine().serviceName;
    if (name.size() >= 256)
        throw TerminalError(L"the service name has " + decimalText(name.size()) +
                            L" characters; a service name must be shorter than 256 characters");
    const ServiceApi& api = ServiceApi::instance();
    if (!api.available()) throw TerminalError(L"the service functions of advapi32.dll could not be loaded");

    name.copy(serviceName_, name.size());
    serviceName_[name.size()] = L'\0';
    SERVICE_TABLE_ENTRYW table[2] = {{serviceName_, &ServiceLauncher::serviceMain}, {nullptr, nullptr}};
    if (!api.startDispatcher(table))
        throw TerminalError(windowsErrorText(
            L"service mode runs only when the service control manager starts the program", ::GetLastError()));

    // The service has reported stopped; its threads still use this object until they end.
    HANDLE threads[2];
    DWORD count = 0;
    {
        std::lock_guard guard(threadsLock_);
        if (workerThread_) threads[count++] = workerThread_.get();
        if (serviceMainThread_) threads[count++] = serviceMainThread_.get();
    }
    if (count > 0 && ::WaitForMultipleObjects(count, threads, TRUE, kThreadEndWaitMs) == WAIT_TIMEOUT)
        ::ExitProcess(exitCode());  // a thread that cannot end must not see this object go
}

void WINAPI ServiceLauncher::serviceMain(DWORD /*argc*/, LPWSTR* /*argv*/) {
    ServiceLauncher* launcher = theServiceLauncher;
    if (!launcher) {
        ConsoleService::instance().reportError(L"ServiceKIV has not been instantiated.");
        ::ExitProcess(1);
    }
    launcher->runServiceMain();
}

void ServiceLauncher::runServiceMain() {
    {
        std::lock_guard guard(threadsLock_);
        ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                          serviceMainThread_.receive(), SYNCHRONIZE, FALSE, 0);
    }
    ::SetConsoleCtrlHandler(&ServiceLauncher::consoleControlHandler, TRUE);

    ::SetLastError(0);
    SERVICE_STATUS_HANDLE handle = ServiceApi::instance().registerHandler(serviceName_, &ServiceLauncher::controlHandler, this);
    if (!handle) {
        // Without a status handle nothing can be reported, and the dispatcher would wait forever.
        ConsoleService::instance().reportError(windowsErrorText(L"the service control handler could not be registered",
                                                                ::GetLastError()));
        ::ExitProcess(1);
    }
    statusHandle_ = handle;
    if (!state_.beginStart()) return;

    worker_ = std::make_unique<ServiceWorker>(*this);
    if (worker_->done) {
        std::lock_guard guard(threadsLock_);
        workerThread_.reset(::CreateThread(nullptr, 0, &ServiceLauncher::workerThread, worker_.get(), 0, nullptr));
    }
    if (!worker_->done || !workerThread_) {
        ConsoleService::instance().reportError(windowsErrorText(L"the service could not start its worker", ::GetLastError()));
        setExitCode(1);
        state_.launchFailed(kServiceStartFailed);
        return;
    }

    ::WaitForSingleObject(worker_->done.get(), INFINITE);
    HANDLE process = state_.heldProcess();
    if (!process) return;  // a stop cleared it, or the launch failed: already reported
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) code = 0;
    // A failing application ends the service as a failure; the manager sees it end unexpectedly.
    if (code != 0) ::ExitProcess(code);
    state_.stop();
}

DWORD WINAPI ServiceLauncher::workerThread(void* argument) {
    auto* worker = static_cast<ServiceWorker*>(argument);
    worker->launcher.runWorker();
    ::SetEvent(worker->done.get());
    return 0;
}

void ServiceLauncher::runWorker() {
    HANDLE process = nullptr;
    bool failed = true;
    std::wstring failure;
    DWORD failureCode = kServiceStartFailed;
    try {
        run(false);
        process = state_.launchSucceeded();
        failed = false;
    } catch (const NoValidVmError& error) {
        failure = error.text();
        failureCode = kServiceNoVm;
    } catch (const TerminalError& error) {
        failure = error.text();
    } catch (const std::exception& error) {
        failure = unknownExceptionText(error);
    }
    if (failed) {
        // The line first: once stopped is reported the process may end at any moment.
        ConsoleService::instance().reportError(failure);
        setExitCode(1);
        state_.launchFailed(failureCode);
        return;
    }
    if (process) ::WaitForSingleObject(process, INFINITE);
}

void ServiceLauncher::storeVmProcess(UniqueKernelHandle process) { state_.adoptProcess(std::move(process)); }

DWORD WINAPI ServiceLauncher::controlHandler(DWORD control, DWORD /*eventType*/, void* /*eventData*/, void* context) {
    if (!controlStopsService(control)) return ERROR_CALL_NOT_IMPLEMENTED;
    static_cast<ServiceLauncher*>(context)->state_.stop();
    return NO_ERROR;
}

BOOL WINAPI ServiceLauncher::consoleControlHandler(DWORD event) {
    // The service and its VM (started with -Xrs) outlive a user's log-off; everything else
    // goes on to the default handling.
    return event == CTRL_LOGOFF_EVENT ? TRUE : FALSE;
}

void ServiceLauncher::reportStatus(const SERVICE_STATUS& status) { ServiceApi::instance().setStatus(statusHandle_, status); }

void ServiceLauncher::terminateProcess(HANDLE process) { ::TerminateProcess(process, 0); }

}  // namespace velmora::launcher

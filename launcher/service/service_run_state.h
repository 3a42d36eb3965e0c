#pragma once
// The service's status record and the Java process, shared by the control handler (on the
// dispatcher's thread), the service main and the worker. One lock guards both, so that a
// stop arriving while the worker is still launching neither leaks the Java process nor
// terminates it twice, and no state is reported out of order.
#include <windows.h>

#include <mutex>

#include "common/unique_handle.h"

namespace velmora::launcher {

// The system calls the run state makes; the service launcher passes the real ones.
class ServiceSystem {
public:
    virtual ~ServiceSystem() = default;
    virtual void reportStatus(const SERVICE_STATUS& status) = 0;
    virtual void terminateProcess(HANDLE process) = 0;  // with exit code 0
};

// Service-specific exit codes of a launch that failed.
constexpr DWORD kServiceNoVm = 1;
constexpr DWORD kServiceStartFailed = 2;

class ServiceRunState {
public:
    explicit ServiceRunState(ServiceSystem& system);
    ServiceRunState(const ServiceRunState&) = delete;
    ServiceRunState& operator=(const ServiceRunState&) = delete;

    SERVICE_STATUS status() const;

    // Service main: start pending while the worker chooses and starts the VM. False when
    // the service has already been stopped.
    bool beginStart();
    // Worker, as soon as the Java process exists. A stop that came first terminates it at once.
    void adoptProcess(UniqueKernelHandle process);
    // Worker, once the launch returned: running, and the process to wait for. Null when a
    // stop came during the launch; the service has then been reported stopped.
    HANDLE launchSucceeded();
    // Worker, when the launch raised: stopped with the service-specific code.
    void launchFailed(DWORD serviceSpecificCode);
    // Stop or shutdown control, or the application ended with 0: stop pending, the process
    // terminated, stopped. Once the service is stopped, later calls change nothing.
    void stop();

    // Service main, after the worker's wait: the Java process, or null when a stop has
    // cleared it. The handle stays open until the run state goes.
    HANDLE heldProcess() const;
    bool stopped() const;

private:
    void report(DWORD state);
    void finishStop();
    // Reports the service stopped with a code of its own; the lock is held.
    void stopWithSpecificCode(DWORD serviceSpecificCode);

    ServiceSystem& system_;
    mutable std::mutex lock_;
    SERVICE_STATUS status_{};
    UniqueKernelHandle process_;
    bool processCleared_ = false;
    bool launching_ = false;
    bool stopRequested_ = false;
    bool stopped_ = false;
};

// Controls accepted in a state: stop while starting and running, nothing otherwise.
DWORD controlsAcceptedIn(DWORD state);

}  // namespace velmora::launcher

#include "launcher/service/service_run_state.h"

namespace velmora::launcher {

DWORD controlsAcceptedIn(DWORD state) {
    // Choosing a VM can take a while (validation runs); a stop must not have to wait for it.
    return state == SERVICE_RUNNING || state == SERVICE_START_PENDING ? SERVICE_ACCEPT_STOP : 0;
}

ServiceRunState::ServiceRunState(ServiceSystem& system) : system_(system) {
    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status_.dwWaitHint = 5000;
}

SERVICE_STATUS ServiceRunState::status() const {
    std::lock_guard guard(lock_);
    return status_;
}

void ServiceRunState::report(DWORD state) {
    status_.dwCurrentState = state;
    status_.dwControlsAccepted = controlsAcceptedIn(state);
    system_.reportStatus(status_);
}

bool ServiceRunState::beginStart() {
    std::lock_guard guard(lock_);
    if (stopped_) return false;
    launching_ = true;
    report(SERVICE_START_PENDING);
    return true;
}

void ServiceRunState::adoptProcess(UniqueKernelHandle process) {
    std::lock_guard guard(lock_);
    process_ = std::move(process);
    processCleared_ = false;
    if (stopRequested_ && process_) {
        system_.terminateProcess(process_.get());
        processCleared_ = true;
    }
}

HANDLE ServiceRunState::launchSucceeded() {
    std::lock_guard guard(lock_);
    launching_ = false;
    if (stopRequested_) {
        finishStop();
        return nullptr;
    }
    if (!process_ || processCleared_) {
        // A launch that returns without a process must not leave the service pending.
        stopWithSpecificCode(kServiceStartFailed);
        return nullptr;
    }
    report(SERVICE_RUNNING);
    return process_.get();
}

void ServiceRunState::launchFailed(DWORD serviceSpecificCode) {
    std::lock_guard guard(lock_);
    launching_ = false;
    if (stopped_) return;
    if (process_ && !processCleared_) {  // nothing may outlive a service reported stopped
        system_.terminateProcess(process_.get());
        processCleared_ = true;
    }
    stopWithSpecificCode(serviceSpecificCode);
}

void ServiceRunState::stopWithSpecificCode(DWORD serviceSpecificCode) {
    status_.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    status_.dwServiceSpecificExitCode = serviceSpecificCode;
    status_.dwCheckPoint = 0;
    status_.dwWaitHint = 0;
    report(SERVICE_STOPPED);
    stopped_ = true;
}

void ServiceRunState::stop() {
    std::lock_guard guard(lock_);
    if (stopped_) return;
    if (!stopRequested_) {
        stopRequested_ = true;
        report(SERVICE_STOP_PENDING);
    }
    if (process_ && !processCleared_) {
        system_.terminateProcess(process_.get());
        processCleared_ = true;
    }
    // While the worker is still launching, it finishes the stop when the launch returns.
    if (!launching_) finishStop();
}

void ServiceRunState::finishStop() {
    if (stopped_) return;
    status_.dwWin32ExitCode = 0;
    status_.dwServiceSpecificExitCode = 0;
    status_.dwCheckPoint = 0;
    status_.dwWaitHint = 0;
    report(SERVICE_STOPPED);
    stopped_ = true;
}

HANDLE ServiceRunState::heldProcess() const {
    std::lock_guard guard(lock_);
    return processCleared_ ? nullptr : process_.get();
}

bool ServiceRunState::stopped() const {
    std::lock_guard guard(lock_);
    return stopped_;
}

}  // namespace velmora::launcher

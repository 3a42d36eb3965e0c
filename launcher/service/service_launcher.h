#pragma once
// quillrun as a Windows service: the dispatcher on the main thread, the service main
// waiting for the worker, the worker choosing, starting and waiting for the Java VM.
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "common/unique_handle.h"
#include "launcher/launcher.h"
#include "launcher/service/service_run_state.h"

namespace velmora::launcher {

class ServiceLauncher;

// What runs on the worker thread.
struct ServiceWorker {
    explicit ServiceWorker(ServiceLauncher& launcher);
    UniqueKernelHandle done;  // manual reset, signalled when the Java process has ended or the launch failed
    ServiceLauncher& launcher;
};

class ServiceLauncher final : public Launcher, private ServiceSystem {
public:
    // At most one per process; the service entry points reach it through a process-wide
    // reference.
    explicit ServiceLauncher(LauncherCommandLine commandLine);
    ~ServiceLauncher() override;

    bool reducesSignals() const override { return true; }
    // Runs the dispatcher; returns when the service has stopped. exitCode() is then the
    // launcher's exit code: 0, or 1 when the VM could not be chosen or started. Raises
    // TerminalError when the program was not started by the service control manager.
    void startService() override;

    // Entry points called by the system.
    static void WINAPI serviceMain(DWORD argc, LPWSTR* argv);
    static DWORD WINAPI controlHandler(DWORD control, DWORD eventType, void* eventData, void* context);
    static BOOL WINAPI consoleControlHandler(DWORD event);

protected:
    void storeVmProcess(UniqueKernelHandle process) override;

private:
    void runServiceMain();
    void runWorker();
    static DWORD WINAPI workerThread(void* worker);

    void reportStatus(const SERVICE_STATUS& status) override;
    void terminateProcess(HANDLE process) override;

    wchar_t serviceName_[256]{};
    std::atomic<SERVICE_STATUS_HANDLE> statusHandle_{nullptr};  // set while the handler may already run
    ServiceRunState state_{*this};
    std::unique_ptr<ServiceWorker> worker_;
    std::mutex threadsLock_;
    UniqueKernelHandle workerThread_;
    UniqueKernelHandle serviceMainThread_;
};

// The answer of the control handler: stop and shutdown are handled, the rest is not.
bool controlStopsService(DWORD control);

}  // namespace velmora::launcher

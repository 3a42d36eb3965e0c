#include "tests/support/service_client.h"

#include <tlhelp32.h>

#include <atomic>
#include <thread>

#include "common/text_convert.h"

namespace velmora::test {
namespace {

std::wstring uniqueName(const std::wstring& prefix) {
    static std::atomic<unsigned> counter{0};
    return prefix + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64()) + L"-" +
           std::to_wstring(counter++);
}

ServiceSnapshot snapshotOf(const SERVICE_STATUS_PROCESS& status) {
    ServiceSnapshot s;
    s.queried = true;
    s.state = status.dwCurrentState;
    s.controlsAccepted = status.dwControlsAccepted;
    s.win32ExitCode = status.dwWin32ExitCode;
    s.serviceSpecificExitCode = status.dwServiceSpecificExitCode;
    s.processId = status.dwProcessId;
    return s;
}

std::wstring imageOf(HANDLE process) {
    wchar_t buffer[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    return ::QueryFullProcessImageNameW(process, 0, buffer, &size) ? std::wstring(buffer, size) : std::wstring();
}

}  // namespace

TestService::TestService(const std::wstring& namePrefix)
    : name_(uniqueName(namePrefix)), manager_(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}

TestService::~TestService() {
    if (service_) {
        // A test that failed half-way must not leave its service (and VM) running.
        ServiceSnapshot s = query();
        if (s.queried && s.state != SERVICE_STOPPED) {
            SERVICE_STATUS status{};
            if (::ControlService(service_, SERVICE_CONTROL_STOP, &status)) waitFor(SERVICE_STOPPED, 10000);
        }
        ::DeleteService(service_);
        ::CloseServiceHandle(service_);
    }
    if (manager_) ::CloseServiceHandle(manager_);
}

DWORD TestService::create(const std::wstring& binaryPathName) {
    if (!manager_) return ERROR_INVALID_HANDLE;
    service_ = ::CreateServiceW(manager_, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, binaryPathName.c_str(), nullptr, nullptr,
                                nullptr, nullptr, nullptr);
    return service_ ? 0 : ::GetLastError();
}

DWORD TestService::start() { return ::StartServiceW(service_, 0, nullptr) ? 0 : ::GetLastError(); }

ControlAnswer TestService::control(DWORD code) {
    ControlAnswer answer;
    SERVICE_STATUS status{};
    if (!::ControlService(service_, code, &status)) answer.error = ::GetLastError();
    answer.after = query();
    return answer;
}

ServiceSnapshot TestService::query() const {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!service_ || !::QueryServiceStatusEx(service_, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                             sizeof status, &needed))
        return {};
    return snapshotOf(status);
}

ServiceSnapshot TestService::waitFor(DWORD state, DWORD timeoutMs) const {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    ServiceSnapshot s = query();
    while (s.queried && s.state != state && ::GetTickCount64() < deadline) {
        ::Sleep(20);
        s = query();
    }
    return s;
}

DWORD TestService::startAndOpen(UniqueKernelHandle& process) {
    // The manager reports the process id while the start is still in progress; a second
    // thread catches it before the program can get far.
    std::atomic<bool> startReturned{false};
    std::thread opener([&] {
        for (;;) {
            const bool last = startReturned;
            ServiceSnapshot s = query();
            if (s.queried && s.processId != 0) {
                process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, s.processId));
                if (process) return;
            }
            if (last) return;
            ::Sleep(1);
        }
    });
    DWORD error = start();
    startReturned = true;
    opener.join();
    return error;
}

DWORD waitForProcessEnd(HANDLE process, DWORD timeoutMs) {
    if (::WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process, &code);
    return code;
}

std::vector<UniqueKernelHandle> processesRunning(const std::wstring& imagePath) {
    std::vector<UniqueKernelHandle> found;
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));  // INVALID_HANDLE_VALUE on failure
    if (!snapshot) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        UniqueKernelHandle process(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process || !equalsIgnoringAsciiCase(imageOf(process.get()), imagePath)) continue;
        if (::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) found.push_back(std::move(process));
    }
    return found;
}

}  // namespace velmora::test

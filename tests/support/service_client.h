#pragma once
// A service of the test prefix driven through the service control manager, the way an
// administrator's tool would: create, start, control, query, delete. Wine's sc.exe cannot
// report errors, so the tests use this client.
#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace velmora::test {

struct ServiceSnapshot {
    bool queried = false;  // false when the query itself failed
    DWORD state = 0;
    DWORD controlsAccepted = 0;
    DWORD win32ExitCode = 0;
    DWORD serviceSpecificExitCode = 0;
    DWORD processId = 0;
};

struct ControlAnswer {
    DWORD error = 0;  // 0 when the control was delivered and handled
    ServiceSnapshot after;
};

// A uniquely named own-process service, stopped if still running and deleted at the end:
// services persist in the prefix.
class TestService {
public:
    explicit TestService(const std::wstring& namePrefix);
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    const std::wstring& name() const { return name_; }

    // 0 or the system error number.
    DWORD create(const std::wstring& binaryPathName);
    DWORD start();
    ControlAnswer control(DWORD code);

    ServiceSnapshot query() const;
    // Polls until the service is in `state` or the time is up; returns the last status.
    ServiceSnapshot waitFor(DWORD state, DWORD timeoutMs = 30000) const;

    // Starts the service and opens its process as soon as the manager has created it, so
    // that its exit code can be read even when it ends at once. The process is empty when it
    // could not be opened.
    DWORD startAndOpen(UniqueKernelHandle& process);

private:
    std::wstring name_;
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

// Waits for a process; its exit code, or STILL_ACTIVE when it did not end in time.
DWORD waitForProcessEnd(HANDLE process, DWORD timeoutMs = 30000);

// Processes whose executable is `imagePath` (compared without regard to case), opened for
// waiting and for their exit codes.
std::vector<UniqueKernelHandle> processesRunning(const std::wstring& imagePath);

}  // namespace velmora::test

#pragma once
// The service control manager's calls, from advapi32 loaded by full path out of the system
// directory and looked up by name, so that the program imports none of them.
#include <windows.h>

#include "common/unique_handle.h"

namespace velmora::launcher {

class ServiceApi {
public:
    // Created on first use; lives until the process ends.
    static ServiceApi& instance();

    bool available() const { return startDispatcher_ && registerHandler_ && setStatus_; }

    // Each call returns 0 without calling anything when the library is not available.
    BOOL startDispatcher(const SERVICE_TABLE_ENTRYW* table) const;
    // The extended handler, because only it can answer a control with an error number.
    SERVICE_STATUS_HANDLE registerHandler(const wchar_t* name, LPHANDLER_FUNCTION_EX handler, void* context) const;
    BOOL setStatus(SERVICE_STATUS_HANDLE handle, const SERVICE_STATUS& status) const;

private:
    ServiceApi();

    using StartDispatcherFn = BOOL(WINAPI*)(const SERVICE_TABLE_ENTRYW*);
    using RegisterHandlerFn = SERVICE_STATUS_HANDLE(WINAPI*)(LPCWSTR, LPHANDLER_FUNCTION_EX, LPVOID);
    using SetStatusFn = BOOL(WINAPI*)(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS);

    UniqueModule library_;
    StartDispatcherFn startDispatcher_ = nullptr;
    RegisterHandlerFn registerHandler_ = nullptr;
    SetStatusFn setStatus_ = nullptr;
};

}  // namespace velmora::launcher

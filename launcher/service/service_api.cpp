#include "launcher/service/service_api.h"

#include "common/system_library.h"

namespace velmora::launcher {

ServiceApi& ServiceApi::instance() {
    static ServiceApi api;
    return api;
}

ServiceApi::ServiceApi() : library_(LoadSystemLibrary(L"advapi32.dll")) {
    if (!library_) return;
    // All three are looked up at once so that no thread races another to fill them in.
    startDispatcher_ = SystemEntry<StartDispatcherFn>(library_.get(), "StartServiceCtrlDispatcherW");
    registerHandler_ = SystemEntry<RegisterHandlerFn>(library_.get(), "RegisterServiceCtrlHandlerExW");
    setStatus_ = SystemEntry<SetStatusFn>(library_.get(), "SetServiceStatus");
}

BOOL ServiceApi::startDispatcher(const SERVICE_TABLE_ENTRYW* table) const {
    return startDispatcher_ ? startDispatcher_(table) : 0;
}

SERVICE_STATUS_HANDLE ServiceApi::registerHandler(const wchar_t* name, LPHANDLER_FUNCTION_EX handler, void* context) const {
    return registerHandler_ ? registerHandler_(name, handler, context) : nullptr;
}

BOOL ServiceApi::setStatus(SERVICE_STATUS_HANDLE handle, const SERVICE_STATUS& status) const {
    if (!setStatus_) return 0;
    SERVICE_STATUS copy = status;  // the call's signature is not const-correct
    return setStatus_(handle, &copy);
}

}  // namespace velmora::launcher

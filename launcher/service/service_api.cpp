#include "launcher/service/service_api.h"

#include <string>

#include "launcher/wow64.h"

namespace velmora::launcher {
namespace {

std::wstring systemDirectory() {
    if (isWow64()) return systemWow64Directory();
    wchar_t buffer[260];
    UINT length = ::GetSystemDirectoryW(buffer, 260);
    return length == 0 || length >= 260 ? std::wstring() : std::wstring(buffer, length);
}

}  // namespace

ServiceApi& ServiceApi::instance() {
    static ServiceApi api;
    return api;
}

ServiceApi::ServiceApi() {
    std::wstring directory = systemDirectory();
    if (directory.empty()) return;  // never a bare name: that would search beyond the system directory
    if (directory.back() == L'\\' || directory.back() == L'/') directory.pop_back();
    library_.reset(::LoadLibraryW((directory + L"\\advapi32.dll").c_str()));
    if (!library_) return;
    // All three are looked up at once so that no thread races another to fill them in.
    startDispatcher_ = reinterpret_cast<StartDispatcherFn>(::GetProcAddress(library_.get(), "StartServiceCtrlDispatcherW"));
    registerHandler_ = reinterpret_cast<RegisterHandlerFn>(::GetProcAddress(library_.get(), "RegisterServiceCtrlHandlerExW"));
    setStatus_ = reinterpret_cast<SetStatusFn>(::GetProcAddress(library_.get(), "SetServiceStatus"));
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

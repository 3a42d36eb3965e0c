#include "launcher/provision/wininet_library.h"

#include "common/system_library.h"

namespace velmora::launcher {

namespace {

template <typename Function>
bool lookUp(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::GetProcAddress(library, name));
    return function != nullptr;
}

struct LoadedWinInet {
    UniqueModule library;
    WinInet calls;
    bool complete = false;
    DWORD error = 0;

    LoadedWinInet() : library(LoadSystemLibrary(L"wininet.dll")) {
        HMODULE module = library.get();
        complete = module && lookUp(module, "InternetOpenW", calls.open) &&
                   lookUp(module, "InternetCloseHandle", calls.closeHandle) &&
                   lookUp(module, "InternetCrackUrlW", calls.crackUrl) &&
                   lookUp(module, "InternetOpenUrlW", calls.openUrl) &&
                   lookUp(module, "InternetConnectW", calls.connect) &&
                   lookUp(module, "InternetReadFile", calls.readFile) &&
                   lookUp(module, "HttpQueryInfoW", calls.httpQueryInfo) &&
                   lookUp(module, "FtpOpenFileW", calls.ftpOpenFile) &&
                   lookUp(module, "FtpGetFileSize", calls.ftpGetFileSize);
        if (!complete) error = ::GetLastError();
    }
};

}  // namespace

const WinInet* winInet() {
    static const LoadedWinInet loaded;  // thread-safe: service mode runs the VM on a worker thread
    if (loaded.complete) return &loaded.calls;
    ::SetLastError(loaded.error);
    return nullptr;
}

}  // namespace velmora::launcher

#include "launcher/provision/wininet_library.h"

#include "common/system_library.h"

namespace velmora::launcher {

namespace {

struct LoadedWinInet {
    UniqueModule library;
    WinInet calls;
    bool complete = false;
    DWORD error = 0;

    LoadedWinInet() : library(LoadSystemLibrary(L"wininet.dll")) {
        HMODULE module = library.get();
        complete = module && LookUpSystemEntry(module, "InternetOpenW", calls.open) &&
                   LookUpSystemEntry(module, "InternetCloseHandle", calls.closeHandle) &&
                   LookUpSystemEntry(module, "InternetCrackUrlW", calls.crackUrl) &&
                   LookUpSystemEntry(module, "InternetOpenUrlW", calls.openUrl) &&
                   LookUpSystemEntry(module, "InternetConnectW", calls.connect) &&
                   LookUpSystemEntry(module, "InternetReadFile", calls.readFile) &&
                   LookUpSystemEntry(module, "HttpQueryInfoW", calls.httpQueryInfo) &&
                   LookUpSystemEntry(module, "FtpOpenFileW", calls.ftpOpenFile) &&
                   LookUpSystemEntry(module, "FtpGetFileSize", calls.ftpGetFileSize);
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

#pragma once
// WinINet's calls, from the library loaded out of the system folder on the first download:
// most runs never download, and it is the heaviest library the launcher would load at start.
#include <windows.h>
#include <wininet.h>

#include "common/unique_handle.h"

namespace velmora::launcher {

struct WinInet {
    decltype(&::InternetOpenW) open = nullptr;
    decltype(&::InternetCloseHandle) closeHandle = nullptr;
    decltype(&::InternetCrackUrlW) crackUrl = nullptr;
    decltype(&::InternetOpenUrlW) openUrl = nullptr;
    decltype(&::InternetConnectW) connect = nullptr;
    decltype(&::InternetReadFile) readFile = nullptr;
    decltype(&::HttpQueryInfoW) httpQueryInfo = nullptr;
    decltype(&::FtpOpenFileW) ftpOpenFile = nullptr;
    decltype(&::FtpGetFileSize) ftpGetFileSize = nullptr;
};

// Loaded on the first call and kept until the process ends; null, with the system's error
// number as the last error, when the library or one of its calls is missing.
const WinInet* winInet();

struct InternetHandleTraits {
    using Value = HINTERNET;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { winInet()->closeHandle(v); }  // a handle means it was loaded
};
using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;

}  // namespace velmora::launcher

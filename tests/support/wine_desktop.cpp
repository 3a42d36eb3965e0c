#include "tests/support/wine_desktop.h"

#include <windows.h>

#include "common/unique_handle.h"
#include "tests/support/test_paths.h"

namespace velmora::test {

void startWineDesktopDetached() {
    static bool done = false;
    if (done) return;
    done = true;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFileHandle null(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null.get();
    std::wstring commandLine = inQuotes(testBinFolder() + L"\\dialog_driver.exe") + L" wait 0 0";
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &info))
        return;
    UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    ::WaitForSingleObject(process.get(), 30000);
}

}  // namespace velmora::test

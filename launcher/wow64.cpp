#include "launcher/wow64.h"

#include <windows.h>

#include <vector>

#include "common/system_library.h"

namespace velmora::launcher {
bool isWow64() { return runsUnderWow64(); }

void disableFsRedirection() {
    if (!isWow64()) return;
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    using RevertFn = BOOL(WINAPI*)(PVOID);
    using EnableFn = BOOLEAN(WINAPI*)(BOOLEAN);
    // Old values are kept for the life of the process; redirection is never turned back on.
    static std::vector<PVOID> oldValues;
    auto disable = KernelEntry<DisableFn>("Wow64DisableWow64FsRedirection");
    auto revert = KernelEntry<RevertFn>("Wow64RevertWow64FsRedirection");
    if (disable && revert) {
        PVOID old = nullptr;
        disable(&old);
        oldValues.push_back(old);
    } else if (auto enable = KernelEntry<EnableFn>("Wow64EnableWow64FsRedirection")) {
        enable(FALSE);
    }
}

std::wstring systemWow64Directory() { return systemWow64Folder(); }

}  // namespace velmora::launcher

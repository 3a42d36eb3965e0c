#include "launcher/wow64.h"

#include <windows.h>

#include <vector>

#include "common/system_library.h"

namespace velmora::launcher {
namespace {

template <typename Function>
Function kernelEntry(const char* name) {
    return reinterpret_cast<Function>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name));
}

}  // namespace

bool isWow64() { return runsUnderWow64(); }

void disableFsRedirection() {
    if (!isWow64()) return;
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    using RevertFn = BOOL(WINAPI*)(PVOID);
    using EnableFn = BOOLEAN(WINAPI*)(BOOLEAN);
    // Old values are kept for the life of the process; redirection is never turned back on.
    static std::vector<PVOID> oldValues;
    auto disable = kernelEntry<DisableFn>("Wow64DisableWow64FsRedirection");
    auto revert = kernelEntry<RevertFn>("Wow64RevertWow64FsRedirection");
    if (disable && revert) {
        PVOID old = nullptr;
        disable(&old);
        oldValues.push_back(old);
    } else if (auto enable = kernelEntry<EnableFn>("Wow64EnableWow64FsRedirection")) {
        enable(FALSE);
    }
}

std::wstring systemWow64Directory() { return systemWow64Folder(); }

}  // namespace velmora::launcher

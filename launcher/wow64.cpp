#include "launcher/wow64.h"

#include <windows.h>

#include <vector>

namespace velmora::launcher {
namespace {

template <typename Function>
Function kernelEntry(const char* name) {
    return reinterpret_cast<Function>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name));
}

}  // namespace

bool isWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = kernelEntry<IsWow64ProcessFn>("IsWow64Process");
    BOOL result = FALSE;
    return isWow64Process && isWow64Process(::GetCurrentProcess(), &result) && result;
}

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

std::wstring systemWow64Directory() {
    using GetDirFn = UINT(WINAPI*)(LPWSTR, UINT);
    auto getDirectory = kernelEntry<GetDirFn>("GetSystemWow64DirectoryW");
    if (!getDirectory) return {};
    wchar_t buffer[260];
    UINT length = getDirectory(buffer, 260);
    return length == 0 || length >= 260 ? std::wstring() : std::wstring(buffer, length);
}

}  // namespace velmora::launcher

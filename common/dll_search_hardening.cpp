#include "common/dll_search_hardening.h"

#include <windows.h>

namespace velmora {

void HardenDllSearchPath() {
    HMODULE kernel = ::GetModuleHandleW(L"KERNEL32");
    if (!kernel) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
    if (auto f = reinterpret_cast<SetDefaultDllDirectoriesFn>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
        f(0x800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (auto f = reinterpret_cast<SetDllDirectoryFn>(::GetProcAddress(kernel, "SetDllDirectoryW")))
        f(L"");  // drops the current directory from the search order
    if (auto f = reinterpret_cast<SetSearchPathModeFn>(::GetProcAddress(kernel, "SetSearchPathMode")))
        f(0x8001);  // BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT
}

}  // namespace velmora

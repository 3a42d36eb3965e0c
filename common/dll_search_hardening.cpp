#include "common/dll_search_hardening.h"

#include <windows.h>

#include "common/system_library.h"

namespace velmora {

void HardenDllSearchPath() {
    HMODULE kernel = ::GetModuleHandleW(L"KERNEL32");
    if (!kernel) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
    if (auto f = SystemEntry<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories"))
        f(0x800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (auto f = SystemEntry<SetDllDirectoryFn>(kernel, "SetDllDirectoryW"))
        f(L"");  // drops the current directory from the search order
    if (auto f = SystemEntry<SetSearchPathModeFn>(kernel, "SetSearchPathMode"))
        f(0x8001);  // BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT
}

}  // namespace velmora

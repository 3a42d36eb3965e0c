#pragma once
// System DLLs loaded from the system folder only, never from the search path.
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace velmora {

// A 32-bit process on 64-bit Windows.
bool runsUnderWow64();
// SysWOW64 on 64-bit Windows; empty where there is none.
std::wstring systemWow64Folder();

// `name` is a file name ("wininet.dll"); a leading separator is allowed ("\kernel32.dll"). A
// 32-bit process on 64-bit Windows loads from SysWOW64, which stays right after it has turned
// file-system redirection off.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// An entry point by name, as the type it is called through; null when the module lacks it.
template <typename Function>
Function SystemEntry(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(::GetProcAddress(module, name));
}
// The same into `function`; false when it is missing.
template <typename Function>
bool LookUpSystemEntry(HMODULE module, const char* name, Function& function) {
    function = SystemEntry<Function>(module, name);
    return function != nullptr;
}
// kernel32's entry points that older systems lack.
template <typename Function>
Function KernelEntry(const char* name) {
    return SystemEntry<Function>(::GetModuleHandleW(L"kernel32.dll"), name);
}

}  // namespace velmora

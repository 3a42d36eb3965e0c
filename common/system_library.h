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

}  // namespace velmora

#pragma once
// Loads a DLL from the system directory only, never from the search path.
#include <windows.h>

#include "common/unique_handle.h"

namespace velmora {

// `name` is a file name ("wininet.dll"); a leading separator is allowed ("\kernel32.dll").
UniqueModule LoadSystemLibrary(const wchar_t* name);

}  // namespace velmora

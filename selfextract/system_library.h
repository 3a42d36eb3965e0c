#pragma once
// Loads a DLL from the system directory only, never from the search path.
#include <windows.h>

#include "common/unique_handle.h"

namespace ruvo {

// `name` begins with a backslash ("\kernel32.dll"); appended to the system directory.
velmora::UniqueModule LoadSystemLibrary(const wchar_t* name);

}  // namespace ruvo

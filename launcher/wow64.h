#pragma once
// The 32-bit emulation layer of 64-bit Windows; every entry point is looked up at run time.
#include <string>

namespace velmora::launcher {

bool isWow64();
// Turns file-system redirection off for the rest of the process (only under WOW64).
void disableFsRedirection();
std::wstring systemWow64Directory();

}  // namespace velmora::launcher

#pragma once

namespace velmora {

// Restricts DLL loading to the system directory. Called from a static initialiser of each
// program so that it runs before the entry function.
void HardenDllSearchPath();

}  // namespace velmora

#include <windows.h>

#include "common/dll_search_hardening.h"
#include "launcher/run_sequence.h"

namespace {
// Runs among the static initialisers, before wmain and before any DLL is loaded on demand.
const bool dllSearchHardened = (velmora::HardenDllSearchPath(), true);
}  // namespace

int wmain() { return velmora::launcher::runLauncher(::GetCommandLineW()); }

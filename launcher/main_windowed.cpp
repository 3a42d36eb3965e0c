// quillrunw: the launcher built for the GUI subsystem, so that a desktop application started
// by a double click gets no console window beside its own.
#include <windows.h>

#include "common/dll_search_hardening.h"
#include "launcher/run_sequence.h"
#include "launcher/windowed_mode.h"

namespace {
// Runs among the static initialisers, before wWinMain and before any DLL is loaded on demand.
const bool dllSearchHardened = (velmora::HardenDllSearchPath(), true);
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    velmora::launcher::setWindowedMode();
    return velmora::launcher::runLauncher(::GetCommandLineW());
}

// The setup engine's entry: the command line, the settings beside the program, and the run.
#include <windows.h>

#include "common/command_line_split.h"
#include "setup/setup_run.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::vector<std::wstring> arguments = velmora::splitCommandLine(::GetCommandLineW());
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return quillsetup::runSetup(instance, arguments);
}

// The setup engine's entry: the command line, the settings beside the program, and the run.
#include <windows.h>

#include "common/command_line_split.h"
#include "setup/setup_run.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Nothing this run starts, or the system starts on its behalf (Wine's desktop process when
    // the shell is first told of a change), keeps a caller's pipes open after it has ended.
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE handle = ::GetStdHandle(which);
        if (handle && handle != INVALID_HANDLE_VALUE) ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    }
    std::vector<std::wstring> arguments = velmora::splitCommandLine(::GetCommandLineW());
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return quillsetup::runSetup(instance, arguments);
}

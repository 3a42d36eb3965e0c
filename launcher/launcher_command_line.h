#pragma once
// The launcher's own reading of its raw command line.
#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

struct LauncherCommandLine {
    std::vector<std::wstring> arguments;  // [0] is the program path
    bool serviceMode = false;
    bool consoleRequested = false;
    std::wstring serviceName;
    // The system's own split of the command line after the program, unchanged: what plain
    // arguments are taken from.
    std::vector<std::wstring> systemArguments;

    // Splits at spaces only, takes out "-mwkivservice NAME", rejoins quoted arguments.
    // No file system access.
    static LauncherCommandLine parse(std::wstring_view rawCommandLine);
    // parse, then arguments naming existing files become full paths.
    static LauncherCommandLine fromProcess(std::wstring_view rawCommandLine);
};

// The silent flag from the system's own splitting of the command line: the last argument
// decides; with no arguments `current` stays.
// The arguments a program with plain arguments gets: the system's split without the first
// "KIV_VM" pair and without each "-mwkivservice" with its name; everything else as it is.
std::vector<std::wstring> plainProgramArguments(const std::vector<std::wstring>& argvAfterProgram);

bool silentFromArguments(const std::vector<std::wstring>& argvAfterProgram, bool current);

}  // namespace velmora::launcher

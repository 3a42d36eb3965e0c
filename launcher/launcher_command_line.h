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

    // Splits at spaces only, takes out "-mwkivservice NAME", rejoins quoted arguments.
    // No file system access.
    static LauncherCommandLine parse(std::wstring_view rawCommandLine);
    // parse, then arguments naming existing files become full paths.
    static LauncherCommandLine fromProcess(std::wstring_view rawCommandLine);
};

// The silent flag from the system's own splitting of the command line: the last argument
// decides; with no arguments `current` stays.
bool silentFromArguments(const std::vector<std::wstring>& argvAfterProgram, bool current);

}  // namespace velmora::launcher

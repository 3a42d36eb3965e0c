#pragma once
// Starts a real program the way a user or caller would, and collects what it leaves behind.
#include <windows.h>

#include <string>
#include <vector>

namespace velmora::test {

struct ChildOptions {
    std::wstring applicationName;                 // empty: the first item of the command line
    std::wstring workingDirectory;                // empty: the test's own
    std::vector<std::wstring> extraEnvironment;   // "NAME=value" added to (or replacing) ours
    std::vector<std::wstring> removedEnvironment; // names taken out of the child's environment
    std::string standardInput;                    // bytes fed to the child's standard input
    DWORD timeoutMs = 60000;
    // CREATE_NO_WINDOW gives a console program a console of its own without a window (a windowed
    // one ignores it); DETACHED_PROCESS gives none.
    DWORD consoleFlag = CREATE_NO_WINDOW;
};

struct ChildResult {
    bool started = false;
    DWORD startError = 0;
    bool timedOut = false;
    DWORD exitCode = 0xFFFFFFFF;  // none: a child that never started passes no check for 0
    std::string standardOutput;  // raw bytes
    std::string standardError;
};

// Runs `commandLine` as written (the caller does all quoting) with pipes for the three
// standard handles; waits for it and for both output pipes to drain.
ChildResult runChild(const std::wstring& commandLine, const ChildOptions& options = {});

// Everything known of a run, for a failing assertion's message.
std::string describe(const ChildResult& result);

bool contains(const std::string& haystack, const std::string& needle);

}  // namespace velmora::test

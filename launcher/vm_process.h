#pragma once
// Starting Java processes: the VM itself on the launcher's console, and short programs
// whose output the launcher reads.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/unique_handle.h"
#include "launcher/launch_options.h"

namespace velmora::launcher {

// Starts the command line with the launcher's standard handles and console, in the full
// path of options.workingDirectory. Raises the TerminalError of message 103 on failure.
UniqueKernelHandle startVmProcess(const std::wstring& commandLine, const LaunchOptions& options, bool wait);

// Waits without a time limit; 0 when the exit code cannot be read.
uint32_t waitForExitCode(HANDLE process);

// Message 103 with the system error number in place of its "%d".
std::wstring startFailureText(const std::wstring& messageText, DWORD error);

struct CapturedRun {
    bool started = false;
    bool finished = false;  // ended within the time limit
    std::string output;     // standard output and standard error, as written
};

// Runs a program without a window, with standard output and error on one pipe that is read
// while the program runs. A program still running at the time limit is terminated.
CapturedRun captureProcessOutput(const std::wstring& commandLine, const std::wstring& directory, DWORD timeoutMs);

}  // namespace velmora::launcher

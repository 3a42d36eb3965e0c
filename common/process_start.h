#pragma once
// Starting a process: one owner for its handles, and an explicit choice of what it inherits.
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace velmora {

struct StandardHandles {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
};

// This process's standard handles as GetStdHandle reports them (null when absent).
StandardHandles ownStandardHandles();
// A handle a child can use: neither null nor INVALID_HANDLE_VALUE.
bool isUsableHandle(HANDLE handle);

struct ProcessStart {
    std::wstring applicationName;  // empty: the first item of the command line
    std::wstring commandLine;
    std::wstring workingDirectory;  // empty: this process's current directory
    DWORD creationFlags = 0;
    // Non-null: the child starts with this start-up information (window placement, title), as
    // the caller composed it; null: with the defaults.
    const STARTUPINFOW* startupInfo = nullptr;
    // With standard handles the child gets exactly these (null ones stay absent) and inherits
    // no other handle; without, it inherits nothing and finds its own.
    bool useStandardHandles = false;
    StandardHandles standardHandles;
};

struct StartedProcess {
    // Under Wine a Linux program may start without a process handle.
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD processId = 0;
    bool succeeded = false;
    DWORD error = 0;  // the system's error number when the start failed
    bool started() const { return succeeded; }
};

StartedProcess startProcess(const ProcessStart& start);

// Waits without a time limit; `fallback` when the exit code cannot be read.
DWORD waitForExit(HANDLE process, DWORD fallback);

}  // namespace velmora

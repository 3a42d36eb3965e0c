#pragma once
// Process-wide state of one self-extractor run, shared by the entry, the dialog and
// RunExtraction. Everything starts false, empty or null.
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace ruvo {

// Set by OK or Cancel in the dialog; RunExtraction tests it between steps.
extern bool abortRequested;
// The control key was held at start: the closing banner is logged.
extern bool pauseAtExit;

// "-jvmxms" / "-jvmxmx" as given on the command line.
struct HeapOverride {
    bool minimumGiven = false;
    std::wstring minimum;
    bool maximumGiven = false;
    std::wstring maximum;
    bool any() const { return minimumGiven || maximumGiven; }
};
extern HeapOverride heapOverride;

// Both stay null in silent and console mode: a null module handle then means the program's
// own file, and every dialog update does nothing.
extern HINSTANCE instanceHandle;
extern HWND dialogHandle;

// Base folder picked with Choose; empty means the system temporary folder.
extern std::wstring chosenBaseDirectory;
// Full path of the working directory this run created; empty until one was created.
extern std::wstring workingDirectory;

// The started launcher.
struct LaunchedProcess {
    bool started = false;
    velmora::UniqueKernelHandle process;
    velmora::UniqueKernelHandle thread;
};
extern LaunchedProcess launchedProcess;

}  // namespace ruvo

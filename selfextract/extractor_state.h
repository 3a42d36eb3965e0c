#pragma once
// The state of one self-extractor run, owned by the entry function and passed by reference
// to the dialog and to RunExtraction.
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace ruvo {

// "-jvmxms" / "-jvmxmx" as given on the command line.
struct HeapOverride {
    bool minimumGiven = false;
    std::wstring minimum;
    bool maximumGiven = false;
    std::wstring maximum;
    bool any() const { return minimumGiven || maximumGiven; }
};

// The started launcher.
struct LaunchedProcess {
    bool started = false;
    velmora::UniqueKernelHandle process;
    velmora::UniqueKernelHandle thread;
};

struct ExtractorState {
    HeapOverride heapOverride;
    // Set by OK or Cancel in the dialog; RunExtraction tests it between steps.
    bool abortRequested = false;
    // The module that holds the resources; null (the program's own file) in silent and
    // console mode.
    HINSTANCE instance = nullptr;
    // Base folder picked with Choose; empty means the system temporary folder.
    std::wstring chosenBaseDirectory;
    // Full path of the working directory this run created; empty until one was created.
    std::wstring workingDirectory;
    LaunchedProcess launchedProcess;
};

}  // namespace ruvo

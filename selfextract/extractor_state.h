#pragma once
// The state of one self-extractor run, owned by the entry function and passed by reference
// to the dialog and to RunExtraction.
#include <windows.h>

#include <string>

#include "common/process_start.h"

namespace ruvo {

// "-jvmxms" / "-jvmxmx" as given on the command line.
struct HeapOverride {
    bool minimumGiven = false;
    std::wstring minimum;
    bool maximumGiven = false;
    std::wstring maximum;
    bool any() const { return minimumGiven || maximumGiven; }
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
    // Silent and console runs: the launcher writes where the caller of this program reads.
    bool shareCallersOutput = false;
    // Console runs write what the user must know to standard output.
    bool console = false;
    // The payload asked for its working directory to be removed once the launcher has ended.
    bool cleanupAfterRun = false;
    // The started launcher.
    velmora::StartedProcess launchedProcess;
};

}  // namespace ruvo

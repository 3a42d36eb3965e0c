#pragma once
// What the VM choice, the launch options and VM pack provisioning read of a run: a plain
// value, so that those layers never see the run object itself.
#include <string>

#include "file_rules/property_set.h"
#include "launcher/launcher_command_line.h"

namespace velmora::launcher {

struct RunContext {
    PropertySet appProperties;     // the .kiv file
    PropertySet vmSpecProperties;  // jvmspecs.properties; empty when the build ships none
    LauncherCommandLine commandLine;
    std::wstring startDirectory;  // the current directory before the launcher changed it
    std::wstring kivPath;         // by the time a VM is chosen, only the file name
    std::wstring kivDirectory;    // the .kiv file's folder, in full: relative paths of the run mean it
    bool silent = false;          // provisioning shows no dialog and writes no progress lines
    bool reducesSignals = false;  // the service launcher's VM gets -Xrs
};

}  // namespace velmora::launcher

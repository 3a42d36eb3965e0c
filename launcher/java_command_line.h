#pragma once
// The three forms of the java command line. Text in, text out: the VM's data is passed in
// by the caller, so nothing here touches the file system.
#include <cstdint>
#include <string>
#include <vector>

#include "launcher/launch_options.h"

namespace velmora::launcher {

// Each entry followed by ';'.
std::wstring joinClassPath(const std::vector<std::wstring>& entries);

// The property files (quoted, forward slashes, each followed by a space), then the
// pass-through arguments with backslashes doubled, quoted when they hold a space. With plain
// arguments: the arguments alone, each quoted the standard way, so that the VM's parser gives
// back exactly what the user typed.
std::wstring formatProgramArguments(const LaunchOptions& options);

// Current VMs: -X options; version 9 and above get the module and scaling options.
std::wstring composeStandardCommandLine(const std::wstring& executable, uint16_t majorVersion,
                                        const LaunchOptions& options);

// Old VMs: the home's lib\classes.zip joins the class path; jre.exe and jrew.exe take -cp.
std::wstring composeClassicCommandLine(const std::wstring& executable, const std::wstring& home,
                                       LaunchOptions options);

// jview.exe: class path and program only.
std::wstring composeMicrosoftCommandLine(const std::wstring& home, const LaunchOptions& options);

}  // namespace velmora::launcher

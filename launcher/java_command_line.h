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

// CreateProcessW takes command lines of at most this many characters, the terminating zero
// included; a longer one the VM would get cut, or not at all.
inline constexpr size_t kCommandLineLimit = 32767;

struct StandardLaunch {
    std::wstring line;
    // What the argument file named on the line must hold; empty when the line names none.
    std::vector<std::wstring> fileArguments;
    // Set when no line within the room could be made: the text to refuse the start with.
    std::wstring refusal;
};

// The standard line when it is shorter than `room`. Otherwise, for VMs of version 9 and later,
// the class path goes to the argument file `argumentFile` (`java @file`) and, when that is not
// enough, every option before the main class too.
StandardLaunch fitStandardCommandLine(const std::wstring& executable, uint16_t majorVersion, const LaunchOptions& options,
                                      const std::wstring& argumentFile, size_t room);

// The one line that refuses a command line of `length` characters, with the reason.
std::wstring overlongCommandLineText(size_t length, const std::wstring& reason);

// Old VMs: the home's lib\classes.zip joins the class path; jre.exe and jrew.exe take -cp.
std::wstring composeClassicCommandLine(const std::wstring& executable, const std::wstring& home,
                                       LaunchOptions options);

// jview.exe: class path and program only.
std::wstring composeMicrosoftCommandLine(const std::wstring& home, const LaunchOptions& options);

}  // namespace velmora::launcher

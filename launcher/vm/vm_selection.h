#pragma once
// Which VM starts the application: the one named on the command line, the build's own
// choice, or the properties file's choice followed by the list search.
#include <memory>
#include <string>
#include <vector>

#include "launcher/launch_options.h"
#include "launcher/run_context.h"

namespace velmora::launcher {

class VmRecord;

// The argument after the first "KIV_VM" (not normalised); empty when there is none.
std::wstring commandLineVmPath(const std::vector<std::wstring>& arguments);

// The VM shipped with the installer below the start directory; empty when none exists.
std::wstring shippedVmExecutable(const std::wstring& startDirectory);

// A StandardVm probed from the executable, with a copy of the options. No check is made.
std::unique_ptr<VmRecord> vmFromExecutable(const std::wstring& path, const LaunchOptions& options);

// The order in which the run asks its sources for a VM; null when none gives one.
std::unique_ptr<VmRecord> chooseVm(const RunContext& context, bool buildOptionsFound, const LaunchOptions& options);

// kiv.nl.current.vm, else the list search.
std::unique_ptr<VmRecord> findVmFromProperties(const RunContext& context, const LaunchOptions& options);

// Appends "kiv.nl.current.vm=<escaped executable>" to the scratch properties file.
void recordChosenVm(const VmRecord& vm);
std::wstring chosenVmLine(const std::wstring& executablePath);

}  // namespace velmora::launcher

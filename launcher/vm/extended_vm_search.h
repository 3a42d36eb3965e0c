#pragma once
// The last resort before a run ends without a VM: today's JDKs found through their makers'
// registry keys, JAVA_HOME and the install folders, accepted by the same rules as the
// search that found nothing (the valid-VM list, or Verify per VM specification file).
#include <memory>
#include <string>

#include "launcher/launch_options.h"

namespace velmora::launcher {

struct RunContext;
class VmRecord;

// Null when the run's search has no extension (see extendedSearchAfter), when
// kiv.nl.vm.search.extended is "false", or when no candidate is accepted.
std::unique_ptr<VmRecord> findExtendedVm(const RunContext& context, bool buildOptionsFound,
                                         const LaunchOptions& options);

// A record probed from the executable like an installed VM's. Today's makers, IBM's
// included, number product versions from the major version. Prints no company line.
std::unique_ptr<VmRecord> probeExtendedVm(const std::wstring& executable, const LaunchOptions& options);

}  // namespace velmora::launcher

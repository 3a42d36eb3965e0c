#pragma once
// This machine's places of today's VMs, read from the registry, the environment and the
// file system. The rules of what counts live in extended_vm_candidates.h.
#include <string>
#include <vector>

#include "launcher/vm/extended_vm_candidates.h"

namespace velmora::launcher {

// JAVA_HOME, then the makers' registry keys (HKLM in its 64-bit view, then its 32-bit view,
// then HKCU), then every VM folder in the install folders, in that order.
std::vector<ExtendedCandidate> gatherExtendedCandidates();

// The subfolders of a folder, sorted ignoring case; none when it cannot be listed.
std::vector<std::wstring> subfolderNames(const std::wstring& folder);

// The file's path with links and junctions resolved, in drive-letter form; the path itself
// when the system cannot tell.
std::wstring finalPathOf(const std::wstring& path);

}  // namespace velmora::launcher

#pragma once
// The VMs installed on the machine: from the Java registry keys and the search path,
// without duplicates, sorted so that the best one is last.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "launcher/vm/vm_record.h"

namespace velmora::launcher {

using VmList = std::vector<std::unique_ptr<VmRecord>>;

struct InstalledVmList {
    VmList records;
    bool preferNot64Bit = true;
};

// The process-wide list, built by the first call. Only the first call's platform counts: it
// fixes the 64-bit preference for the rest of the process.
InstalledVmList& installedVms(int64_t platform);
// A fresh list, for callers that must not share the process-wide one.
InstalledVmList buildInstalledVmList(int64_t platform, const std::vector<std::wstring>& pathDirectories);

// The six Java keys, and a second pass through the 64-bit view under WOW64.
VmList enumerateRegistryVms();
// One pass over the six keys with the given access; records carry `is64Bit`.
void enumerateRegistryPass(REGSAM access, int32_t is64Bit, VmList& into);

VmList scanPathVms(const std::vector<std::wstring>& directories);

// Keeps the first of the records with the same home and version; returns the others.
VmList removeDuplicateVms(VmList& records);
bool prefersNot64Bit(int64_t platform);  // platform 1 and 3
// True when a ranks below b.
bool compareVmRank(const VmRecord& a, const VmRecord& b, bool preferNot64Bit);
template <typename Pointer>
void sortByRank(std::vector<Pointer>& records, bool preferNot64Bit);

}  // namespace velmora::launcher

#include <algorithm>

template <typename Pointer>
void velmora::launcher::sortByRank(std::vector<Pointer>& records, bool preferNot64Bit) {
    std::sort(records.begin(), records.end(),
              [preferNot64Bit](const Pointer& a, const Pointer& b) { return compareVmRank(*a, *b, preferNot64Bit); });
}

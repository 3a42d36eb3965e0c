#pragma once
// What kiv.nl.win32.java.launcher.platform asks of a VM's 64-bit mark, for every search, and
// how the trail words it.
#include <cstdint>
#include <string>

namespace velmora::launcher {

// The list search ranks everything it admits; the search by VM specification files takes the
// first valid VM of the preferred mark, else of the other one.
enum class PlatformSearch { List, SpecFiles };

struct PlatformRule {
    bool admitsMarked = true;
    bool admitsUnmarked = true;
    bool prefersMarked = true;
    bool admits(int32_t is64Bit) const { return is64Bit ? admitsMarked : admitsUnmarked; }
};

// 0: both, marked first; 1: both, unmarked first; 2: marked only; 3: unmarked only. Any other
// value admits every VM, marked first, to the list search and none to the other searches.
PlatformRule platformRule(int64_t platform, PlatformSearch search);

// "platform 1: all VMs, those not marked 64-bit ranked higher", for the trail.
std::wstring platformRuleText(int64_t platform, PlatformSearch search);
// Why the list search refused a VM the platform does not admit.
std::wstring platformRefusal(int64_t platform);

}  // namespace velmora::launcher

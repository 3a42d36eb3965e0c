#pragma once
// The VM's heap options in application mode: -Xms and -Xmx go into the launcher's heap keys,
// whose lines the installer's -jvmxms and -jvmxmx replace on the user's machine.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo_pack {

// A VM heap size (digits, then k, m, g or t in either case) as the launcher's byte size
// (digits, then k or m, up to 2147483647 of the unit); nullopt for anything else and for 0,
// which the launcher leaves out.
std::optional<std::string> launcherByteSize(std::string_view vmSize);

// Takes every -Xms and -Xmx out of `javaOptions`; the last of each kind sets `initial` or
// `maximum` (left as they are without one). False with one line for a size the launcher
// cannot pass on.
bool takeHeapOptions(std::vector<std::string>& javaOptions, std::string& initial, std::string& maximum,
                     std::string& error);

}  // namespace ruvo_pack

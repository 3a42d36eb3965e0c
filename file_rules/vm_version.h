#pragma once
// Java versions as this system numbers them: the leading "1." of old versions is dropped,
// so 1.4.2_03 is 4.2.3 and 11.0.2 stays 11.0.2.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::launcher {

struct VmVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t micro = 0;

    uint64_t packed() const {
        return static_cast<uint64_t>(major) << 32 | static_cast<uint64_t>(minor) << 16 | micro;
    }
    friend bool operator==(const VmVersion& a, const VmVersion& b) { return a.packed() == b.packed(); }
    friend bool operator<(const VmVersion& a, const VmVersion& b) { return a.packed() < b.packed(); }
};

enum class VmKind : int32_t { JDK = 0, JRE = 1, MSJ = 2 };

// "1.6.0_31" -> 6.0.31, "11.0.2" -> 11.0.2, "1.8" -> 8.0.0; unreadable parts are 0.
VmVersion parseVersionText(std::wstring_view text);

// A number read the way a "%d" scan reads it: white space, a sign, digits; 0 when none.
int32_t scanDecimal(std::wstring_view text);

std::wstring versionText(const VmVersion& version);  // "11.0.2", for messages and tests

}  // namespace velmora::launcher

#include "tools/ruvo_pack/application_heap.h"

#include <cstdint>

namespace ruvo_pack {

std::optional<std::string> launcherByteSize(std::string_view vmSize) {
    constexpr uint64_t kMost = 2147483647;  // the launcher reads a 32-bit count of the unit
    std::string_view digits = vmSize;
    char unit = 0;
    if (!digits.empty() && std::string_view("kKmMgGtT").find(digits.back()) != std::string_view::npos) {
        unit = static_cast<char>(digits.back() | 0x20);
        digits.remove_suffix(1);
    }
    if (digits.empty() || digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const uint64_t count = std::stoull(std::string(digits));
    if (count == 0) return std::nullopt;
    if ((unit == 0 || unit == 'k' || unit == 'm') && count <= kMost)
        return std::to_string(count) + (unit ? std::string(1, unit) : std::string());
    const int shift = unit == 0 ? 0 : unit == 'k' ? 10 : unit == 'm' ? 20 : unit == 'g' ? 30 : 40;
    if (count > (kMost << 20) >> shift) return std::nullopt;
    const uint64_t bytes = count << shift;
    if (bytes % (1 << 20) == 0 && bytes >> 20 <= kMost) return std::to_string(bytes >> 20) + "m";
    if (bytes % (1 << 10) == 0 && bytes >> 10 <= kMost) return std::to_string(bytes >> 10) + "k";
    return std::nullopt;
}

bool takeHeapOptions(std::vector<std::string>& javaOptions, std::string& initial, std::string& maximum,
                     std::string& error) {
    std::vector<std::string> kept;
    for (const auto& option : javaOptions) {
        const bool isInitial = option.rfind("-Xms", 0) == 0, isMaximum = option.rfind("-Xmx", 0) == 0;
        if (!isInitial && !isMaximum) {
            kept.push_back(option);
            continue;
        }
        const auto size = launcherByteSize(std::string_view(option).substr(4));
        if (!size) {
            error = "--java-options " + option +
                    ": not a heap size the launcher can pass on (digits and k, m, g or t, more than 0, up to "
                    "2147483647m)";
            return false;
        }
        (isInitial ? initial : maximum) = *size;
    }
    javaOptions = std::move(kept);
    return true;
}

}  // namespace ruvo_pack

#pragma once
// The arithmetic behind Hostprobe's figures, kept apart from the system calls that feed it.
// Java callers have always received these exact values from the 32-bit library, so the
// widths and signs of every step are part of the contract.
#include <cstdint>
#include <type_traits>

namespace velmora::hostprobe {

constexpr std::int64_t kTicksPerMillisecond = 10000;  // FILETIME counts 100 ns ticks

constexpr std::int64_t fileTimeToInt64(std::uint32_t low, std::uint32_t high) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

// Unsigned 32-bit system fields reach Java as non-negative longs or ints.
constexpr std::int64_t zeroExtended(std::uint32_t value) { return value; }
// dwProcessorType has always been handed out as a signed 32-bit value.
constexpr std::int64_t signExtended(std::uint32_t value) { return static_cast<std::int32_t>(value); }

// MEMORYSTATUS sizes are SIZE_T: 32 bits in the shipped library, 64 in the test build.
template <typename Size>
constexpr std::int64_t memoryFigure(Size value) {
    static_assert(std::is_unsigned_v<Size>, "memory sizes must not be sign-extended");
    return static_cast<std::int64_t>(value);
}

// CPU milliseconds per processor. The divisor is a 32-bit product, sign-extended.
constexpr std::int64_t cpuTimeMillis(std::int64_t kernel, std::int64_t user, std::int32_t processors) {
    const auto divisor = static_cast<std::int32_t>(static_cast<std::uint32_t>(processors) * 10000u);
    if (divisor == 0) return 0;  // an integer division fault would take the whole VM down
    return (kernel + user) / static_cast<std::int64_t>(divisor);
}

// Average share of the whole machine since the process started; 0.0 during its first
// millisecond (or when the clock reads earlier than the creation time).
constexpr double cpuUsage(std::int64_t creation, std::int64_t now, std::int64_t kernel, std::int64_t user,
                          std::int32_t processors) {
    const std::int64_t elapsed = now - creation;
    if (elapsed < kTicksPerMillisecond) return 0.0;
    const std::int64_t capacity = elapsed * processors;
    if (capacity == 0) return 0.0;  // no processors known: report no share rather than inf or NaN
    return static_cast<double>(kernel + user) / static_cast<double>(capacity);
}

}  // namespace velmora::hostprobe

// The widths and signs of Hostprobe's arithmetic, including the cases that only the 32-bit
// library meets at run time (sizes above 2 GiB, sign bits in 32-bit fields).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "hostprobe/probe_figures.h"

using namespace velmora::hostprobe;

namespace {
constexpr std::int64_t kSecond = 10'000'000;  // in FILETIME ticks
}

TEST(ProbeFigures, FileTimeJoinsBothHalvesUnsigned) {
    EXPECT_EQ(fileTimeToInt64(0xFFFFFFFFu, 0), 0xFFFFFFFFll);
    EXPECT_EQ(fileTimeToInt64(0x80000000u, 1), 0x180000000ll);
    EXPECT_EQ(fileTimeToInt64(0xD53E8000u, 0x01D9A1B2u), 0x01D9A1B2D53E8000ll);
}

TEST(ProbeFigures, ThirtyTwoBitFieldsWidenAsDocumented) {
    // 3 GiB of memory, or any size with the top bit set, stays positive.
    EXPECT_EQ(memoryFigure(std::uint32_t{0xC0000000u}), 3221225472ll);
    EXPECT_EQ(memoryFigure(std::uint32_t{0xFFFFFFFFu}), 4294967295ll);
    EXPECT_EQ(memoryFigure(std::uint64_t{6ull << 30}), 6442450944ll);
    EXPECT_EQ(zeroExtended(0x80000000u), 2147483648ll);
    // The processor type is the one field handed out signed.
    EXPECT_EQ(signExtended(586u), 586);
    EXPECT_EQ(signExtended(0xFFFFFFFFu), -1);
    EXPECT_EQ(signExtended(0x80000000u), -2147483648ll);
}

TEST(ProbeFigures, CpuTimeIsMillisecondsPerProcessor) {
    EXPECT_EQ(cpuTimeMillis(kSecond, kSecond * 3 / 2, 4), 625);  // 2.5 s on 4 processors
    EXPECT_EQ(cpuTimeMillis(kSecond, kSecond * 3 / 2 - 1, 4), 624);  // truncated, not rounded
    EXPECT_EQ(cpuTimeMillis(0, 9999, 1), 0);
    // Kernel and user times add up beyond 32 bits without loss.
    EXPECT_EQ(cpuTimeMillis(500'000 * kSecond, 500'000 * kSecond, 2), 500'000'000);
}

TEST(ProbeFigures, CpuTimeDivisorIsA32BitProduct) {
    // 300000 processors x 10000 wraps to -1294967296 in 32 bits; the division is signed.
    EXPECT_EQ(cpuTimeMillis(1'294'967'296ll * 5, 0, 300000), -5);
    EXPECT_EQ(cpuTimeMillis(-1'294'967'296ll * 5 + 1, 0, 300000), 4);  // toward zero
}

TEST(ProbeFigures, CpuUsageIsZeroInTheFirstMillisecond) {
    const std::int64_t created = 133'000'000'000'000'000ll;
    EXPECT_EQ(cpuUsage(created, created, 5000, 4000, 2), 0.0);
    EXPECT_EQ(cpuUsage(created, created + 9999, 5000, 4000, 2), 0.0);
    EXPECT_EQ(cpuUsage(created, created - kSecond, 5000, 4000, 2), 0.0);  // clock set back
    EXPECT_DOUBLE_EQ(cpuUsage(created, created + 10000, 5000, 4000, 2), 9000.0 / 20000.0);
}

TEST(ProbeFigures, CpuUsageIsShareOfAllProcessorsOverTheLifetime) {
    const std::int64_t created = 133'000'000'000'000'000ll;
    EXPECT_DOUBLE_EQ(cpuUsage(created, created + 10 * kSecond, 2 * kSecond, 3 * kSecond, 2), 0.25);
    EXPECT_DOUBLE_EQ(cpuUsage(created, created + kSecond, 3 * kSecond, kSecond, 4), 1.0);
    EXPECT_EQ(cpuUsage(created, created + kSecond, 0, 0, 4), 0.0);
}

// With no processor count there is nothing to divide by: zero, never a fault, inf or NaN.
TEST(ProbeFigures, NoProcessorsGiveZero) {
    EXPECT_EQ(cpuTimeMillis(kSecond, kSecond, 0), 0);
    const double usage = cpuUsage(0, 10 * kSecond, kSecond, 0, 0);
    EXPECT_TRUE(std::isfinite(usage));
    EXPECT_EQ(usage, 0.0);
}

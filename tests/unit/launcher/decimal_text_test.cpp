// The programs' own integer text must read as std::to_wstring's did, at every type's limits.
#include "common/decimal_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace velmora {
namespace {

template <class T>
void expectLimits() {
    for (T value : {std::numeric_limits<T>::min(), T(std::numeric_limits<T>::min() + 1), T(0), T(1), T(9), T(10),
                    std::numeric_limits<T>::max()})
        EXPECT_EQ(decimalText(value), std::to_wstring(value)) << sizeof(T) << " bytes";
}

TEST(DecimalText, ReadsAsToWstringAtEachTypesLimits) {
    expectLimits<int>();
    expectLimits<unsigned>();
    expectLimits<long>();
    expectLimits<int64_t>();
    expectLimits<uint64_t>();
    expectLimits<unsigned short>();
    EXPECT_EQ(decimalText(static_cast<signed char>(-128)), L"-128");
}

TEST(DecimalText, HexBytes) {
    std::wstring text;
    for (unsigned byte : {0x00u, 0x0Fu, 0xA5u, 0xFFu}) appendHexByte(text, byte);
    appendHexByte(text, 0x1Bu, true);
    EXPECT_EQ(text, L"000fa5ff1B");
}

}  // namespace
}  // namespace velmora

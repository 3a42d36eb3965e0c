// The stub's Adler-32 must give zlib's sums, chained or not, where the sums wrap the modulus.
#include "selfextract/small_adler32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

namespace ruvo {
namespace {

TEST(SmallAdler32, GivesZlibsSums) {
    EXPECT_EQ(SmallAdler32(7, nullptr, 3), adler32_z(7, nullptr, 3));
    const unsigned char word[] = "Wikipedia";
    EXPECT_EQ(SmallAdler32(1, word, 9), 0x11E60398u);

    struct Case {
        unsigned char fill;
        size_t length;
        uint32_t start;
    };
    // 5552 is where zlib defers its modulus; 0xFF bytes wrap both sums soonest.
    for (const Case& c : {Case{0, 0, 1}, Case{0xFF, 5551, 1}, Case{0xFF, 5552, 1}, Case{0xFF, 5553, 1},
                          Case{0xFF, 1 << 20, 1}, Case{0x80, 100000, 0xFFF0FFF0u}, Case{1, 17, 0}}) {
        std::vector<unsigned char> data(c.length, c.fill);
        for (size_t i = 0; i < data.size(); i += 7) data[i] = static_cast<unsigned char>(i);
        EXPECT_EQ(SmallAdler32(c.start, data.data(), data.size()), adler32_z(c.start, data.data(), data.size()))
            << c.length << " bytes from " << c.start;
    }
}

}  // namespace
}  // namespace ruvo

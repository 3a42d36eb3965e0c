#pragma once
// Adler-32 in its plainest form. zlib's own is unrolled for speed (700 bytes); the stub only
// inflates the raw deflate data of ZIP members, which carries no Adler-32, so it never runs
// and the small one stands in for it.
#include <cstddef>
#include <cstdint>

namespace ruvo {

inline uint32_t SmallAdler32(uint32_t adler, const unsigned char* data, size_t length) {
    constexpr uint32_t kBase = 65521;
    if (!data) return 1;
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    while (length--) {
        a = (a + *data++) % kBase;
        b = (b + a) % kBase;
    }
    return b << 16 | a;
}

}  // namespace ruvo

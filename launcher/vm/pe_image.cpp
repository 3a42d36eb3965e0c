#include "launcher/vm/pe_image.h"

#include <cstdint>

#include "common/byte_order.h"
#include "launcher/mapped_file.h"

namespace velmora::launcher {

int imageBitnessOf(const unsigned char* data, size_t size) {
    auto u16 = [&](size_t at) { return velmora::readLe16(data + at); };
    auto u32 = [&](size_t at) { return velmora::readLe32(data + at); };
    if (size < 64 || data[0] != 0x4D || data[1] != 0x5A) return 0;
    uint32_t pe = u32(60);
    // Signature, machine (at +4) and the optional header's magic (at +24) must all be inside.
    if (pe == 0 || pe > size || size - pe < 26) return 0;
    if (data[pe] != 'P' || data[pe + 1] != 'E' || data[pe + 2] != 0 || data[pe + 3] != 0) return 0;
    unsigned machine = u16(pe + 4);
    unsigned magic = u16(pe + 24);
    if (magic == 0x10B && machine == 0x14C) return 1;
    if (magic == 0x20B && machine == 0x8664) return 2;
    return 0;
}

int peImageBitness(const std::wstring& path) {
    const MappedFile file(path, 0);
    if (!file.mapped()) return 0;
    return imageBitnessOf(file.data(), static_cast<size_t>(file.fileSize()));
}

}  // namespace velmora::launcher

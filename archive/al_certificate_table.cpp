#include "archive/al_archive.h"
#include "common/byte_order.h"

using velmora::readLe16;
using velmora::readLe32;

bool ALReadCertificateDirectory(const unsigned char* ntHeaders, size_t length, ALCertificateDirectory& directory) {
    constexpr size_t kCoffHeader = 4, kOptionalHeader = kCoffHeader + 20, kSecurityIndex = 4;
    if (length < kOptionalHeader + 2 || readLe32(ntHeaders) != 0x00004550u) return false;  // "PE\0\0"
    const uint32_t optionalSize = readLe16(ntHeaders + kCoffHeader + 16);
    const uint32_t magic = readLe16(ntHeaders + kOptionalHeader);
    // The data directories follow the fixed fields, which are longer in a 64-bit image.
    size_t countAt;
    if (magic == 0x10b) countAt = 92;
    else if (magic == 0x20b) countAt = 108;
    else return false;
    const size_t entryAt = countAt + 4 + kSecurityIndex * 8;
    if (optionalSize < entryAt + 8 || length < kOptionalHeader + entryAt + 8) return false;
    if (readLe32(ntHeaders + kOptionalHeader + countAt) <= kSecurityIndex) return false;
    directory.offset = readLe32(ntHeaders + kOptionalHeader + entryAt);
    directory.size = readLe32(ntHeaders + kOptionalHeader + entryAt + 4);
    return directory.offset != 0 && directory.size != 0;
}

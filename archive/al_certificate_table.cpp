#include "archive/al_archive.h"

namespace {

uint32_t le16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t le32(const unsigned char* p) { return le16(p) | (le16(p + 2) << 16); }

}  // namespace

bool ALReadCertificateDirectory(const unsigned char* ntHeaders, size_t length, ALCertificateDirectory& directory) {
    constexpr size_t kCoffHeader = 4, kOptionalHeader = kCoffHeader + 20, kSecurityIndex = 4;
    if (length < kOptionalHeader + 2 || le32(ntHeaders) != 0x00004550u) return false;  // "PE\0\0"
    const uint32_t optionalSize = le16(ntHeaders + kCoffHeader + 16);
    const uint32_t magic = le16(ntHeaders + kOptionalHeader);
    // The data directories follow the fixed fields, which are longer in a 64-bit image.
    size_t countAt;
    if (magic == 0x10b) countAt = 92;
    else if (magic == 0x20b) countAt = 108;
    else return false;
    const size_t entryAt = countAt + 4 + kSecurityIndex * 8;
    if (optionalSize < entryAt + 8 || length < kOptionalHeader + entryAt + 8) return false;
    if (le32(ntHeaders + kOptionalHeader + countAt) <= kSecurityIndex) return false;
    directory.offset = le32(ntHeaders + kOptionalHeader + entryAt);
    directory.size = le32(ntHeaders + kOptionalHeader + entryAt + 4);
    return directory.offset != 0 && directory.size != 0;
}

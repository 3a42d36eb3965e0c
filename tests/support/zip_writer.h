#pragma once
// Writes small ZIP archives byte by byte, so that tests can store what no archiver would:
// hostile names, chosen host bytes and attributes, "UT" blocks, damaged checksums.
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

struct ZipMember {
    std::string name;  // stored as given (UTF-8)
    std::string data;
    bool deflate = false;
    uint16_t versionMadeBy = 20;  // host 0 (MS-DOS)
    uint32_t externalAttributes = 0x20;
    uint16_t dosTime = 0;
    uint16_t dosDate = (40 << 9) | (1 << 5) | 1;  // 2020-01-01
    uint16_t flags = 0;
    std::string localExtra;
    bool damageCrc = false;
};

std::string zipArchive(const std::vector<ZipMember>& members);

// A "UT" extra block with the times whose flag bits are set (modification, access, creation).
std::string unixTimesExtra(uint8_t flags, const std::vector<uint32_t>& times);

// A VM pack: vm.zip holding `vmMembers` and a vm.properties file.
std::string vmPack(const std::vector<ZipMember>& vmMembers);

}  // namespace velmora::test

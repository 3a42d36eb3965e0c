#pragma once
// Writes ZIP archives with the packer's record writers, so that tests can store what no
// archiver would: hostile names, chosen host bytes and attributes, "UT" blocks, damaged
// checksums and data, bytes in front of and behind the archive.
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

struct ZipMember {
    std::string name;  // stored as given (UTF-8)
    std::string data;
    uint16_t method = 0;  // 8 deflates; any other method stores the data as given
    uint16_t flags = 0;   // with bit 3 a data descriptor follows the data
    uint16_t versionMadeBy = 20;  // host 0 (MS-DOS)
    uint32_t externalAttributes = 0x20;
    uint16_t dosTime = 0;
    uint16_t dosDate = (40 << 9) | (1 << 5) | 1;  // 2020-01-01
    std::string localExtra, centralExtra;
    bool damageCrc = false;    // the stored CRC-32 is wrong
    bool corruptData = false;  // one byte of the stored data is flipped
};

struct ZipLayout {
    std::vector<ZipMember> members;
    std::string comment;
    std::string prefix;  // bytes in front of the archive; stored offsets count from its start
    std::string suffix;  // bytes behind the end record
};

std::string zipBytes(const ZipLayout& layout);
std::string zipArchive(const std::vector<ZipMember>& members);

std::string deflateRaw(const std::string& data);
uint32_t crc32Of(const std::string& data);

// A "UT" extra block with the times whose flag bits are set (modification, access, creation).
std::string unixTimesExtra(uint8_t flags, const std::vector<uint32_t>& times);

// A VM pack: vm.zip holding `vmMembers` and a vm.properties file.
std::string vmPack(const std::vector<ZipMember>& vmMembers);

}  // namespace velmora::test

#pragma once
// The records of a ZIP archive, byte for byte: the packer writes its payloads with them, and
// the tests write ordinary and deliberately odd archives with the same functions.
#include <cstdint>
#include <string>

namespace ruvo_pack {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50u;
constexpr uint32_t kDescriptorSignature = 0x08074b50u;
constexpr uint32_t kCentralRecordSignature = 0x02014b50u;
constexpr uint32_t kEndRecordSignature = 0x06054b50u;
constexpr uint16_t kDescriptorFlag = 0x0008;  // CRC and sizes follow the data
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kDescriptorSize = 16;
constexpr size_t kCentralRecordSize = 46;
constexpr size_t kEndRecordSize = 22;

// One member as its local header and central record describe it; the values are stored as
// given, without checks, so that a test can write what no archiver would.
struct ZipRecord {
    std::string name;
    uint16_t versionMadeBy = 20;  // host 0 (MS-DOS), ZIP 2.0
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = 8;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeaderOffset = 0;  // from the archive's first byte
    std::string localExtra, centralExtra;
};

// With the descriptor flag the local header carries CRC and sizes as zero.
std::string localHeader(const ZipRecord& record);
std::string dataDescriptor(const ZipRecord& record);
std::string centralRecord(const ZipRecord& record);
std::string endRecord(uint32_t count, uint32_t directorySize, uint32_t directoryOffset, const std::string& comment = {});

}  // namespace ruvo_pack

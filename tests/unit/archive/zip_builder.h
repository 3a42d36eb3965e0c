#pragma once
// Builds small ZIP archives in memory, including malformed ones, for the engine's tests.
#include <cstdint>
#include <string>
#include <vector>

namespace archive_test {

struct Member {
    std::string name;                 // raw bytes as stored
    std::string data;                 // uncompressed content
    uint16_t method = 8;              // 0 stored, 8 deflate, anything else kept as is
    uint16_t flags = 0;
    bool descriptor = false;          // writes a 16-byte data descriptor (sets flag bit 3)
    uint16_t dosTime = 0x6000;        // 12:00:00
    uint16_t dosDate = 0x5861;        // 2024-03-01
    uint32_t external = 0;
    std::string localExtra, centralExtra;
    bool corruptData = false;         // flips one byte of the stored data
};

struct Archive {
    std::vector<Member> members;
    std::string comment;
    std::string prefix;               // bytes in front of the archive (offsets stay relative)
    std::string suffix;               // bytes after the end record
};

std::string deflateRaw(const std::string& data);
uint32_t crc32Of(const std::string& data);
std::string build(const Archive& archive);

}  // namespace archive_test

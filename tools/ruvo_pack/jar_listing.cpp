#include "tools/ruvo_pack/jar_listing.h"

#include <cstdint>
#include <fstream>
#include <string_view>
#include <vector>

#include <zlib.h>

#include "common/byte_order.h"

namespace ruvo_pack {
namespace {

constexpr size_t kEndSize = 22, kLocator64Size = 20, kEnd64Size = 56, kCentralSize = 46;
constexpr uint64_t kLargestDirectory = 1ull << 28;  // a directory beyond 256 MiB is not a jar's

using velmora::le16At;
using velmora::le32At;
using velmora::le64At;

bool readAt(std::ifstream& in, uint64_t offset, size_t size, std::string& out) {
    out.assign(size, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(in.read(out.data(), static_cast<std::streamsize>(size)));
}

struct DirectoryEntry {
    std::string name;
    uint16_t method = 0;
    uint64_t compressedSize = 0, size = 0;
    uint64_t localHeader = 0;  // in the file
};

std::optional<std::vector<DirectoryEntry>> readDirectory(std::ifstream& in) {
    in.seekg(0, std::ios::end);
    const uint64_t fileSize = static_cast<uint64_t>(in.tellg());
    if (fileSize < kEndSize) return std::nullopt;

    // The end record sits within the last 64 KiB plus its own size (its comment is shorter).
    const uint64_t tailSize = std::min<uint64_t>(fileSize, 0xFFFF + kEndSize);
    const uint64_t tailStart = fileSize - tailSize;
    std::string tail;
    if (!readAt(in, tailStart, tailSize, tail)) return std::nullopt;
    size_t end = std::string::npos;
    for (size_t at = tail.size() - kEndSize + 1; at-- > 0;)
        if (tail.compare(at, 4, "PK\x05\x06") == 0 && at + kEndSize + le16At(tail, at + 20) <= tail.size()) {
            end = at;
            break;
        }
    if (end == std::string::npos) return std::nullopt;

    const uint64_t endPosition = tailStart + end;
    uint64_t count = le16At(tail, end + 10), directorySize = le32At(tail, end + 12);
    uint64_t directoryEnd = endPosition;  // the directory ends where its end record begins
    uint64_t directoryOffset = le32At(tail, end + 16);
    if (count == 0xFFFF || directorySize == 0xFFFFFFFF || le32At(tail, end + 16) == 0xFFFFFFFF) {
        std::string locator, end64;
        if (endPosition < kLocator64Size || !readAt(in, endPosition - kLocator64Size, kLocator64Size, locator) ||
            locator.compare(0, 4, "PK\x06\x07") != 0)
            return std::nullopt;
        // The ZIP64 end record's own offset may not count data before the archive: it lies
        // right before the locator.
        directoryEnd = endPosition - kLocator64Size - kEnd64Size;
        if (endPosition < kLocator64Size + kEnd64Size || !readAt(in, directoryEnd, kEnd64Size, end64) ||
            end64.compare(0, 4, "PK\x06\x06") != 0)
            return std::nullopt;
        count = le64At(end64, 32);
        directorySize = le64At(end64, 40);
        directoryOffset = le64At(end64, 48);
    }
    if (directorySize > directoryEnd || directorySize > kLargestDirectory) return std::nullopt;

    std::string directory;
    if (!readAt(in, directoryEnd - directorySize, directorySize, directory)) return std::nullopt;
    // Offsets count from the archive's start, which may follow other data.
    const uint64_t directoryStart = directoryEnd - directorySize;
    const uint64_t prefix = directoryStart >= directoryOffset ? directoryStart - directoryOffset : 0;
    std::vector<DirectoryEntry> entries;
    size_t at = 0;
    for (uint64_t n = 0; n < count; ++n) {
        if (at + kCentralSize > directory.size() || directory.compare(at, 4, "PK\x01\x02") != 0) return std::nullopt;
        size_t nameSize = le16At(directory, at + 28);
        size_t next = at + kCentralSize + nameSize + le16At(directory, at + 30) + le16At(directory, at + 32);
        if (next > directory.size()) return std::nullopt;
        entries.push_back({directory.substr(at + kCentralSize, nameSize), static_cast<uint16_t>(le16At(directory, at + 10)),
                           le32At(directory, at + 20), le32At(directory, at + 24),
                           le32At(directory, at + 42) + prefix});
        at = next;
    }
    return entries;
}

}  // namespace

std::optional<std::set<std::string>> zipMemberNames(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    auto entries = readDirectory(in);
    if (!entries) return std::nullopt;
    std::set<std::string> names;
    for (const auto& entry : *entries) names.insert(entry.name);
    return names;
}

std::optional<std::string> zipMemberBytes(const std::filesystem::path& file, const std::string& name) {
    constexpr uint64_t kLargestMember = 1u << 24;  // a manifest is small; this caps what is read
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    auto entries = readDirectory(in);
    if (!entries) return std::nullopt;
    for (const auto& entry : *entries) {
        if (entry.name != name) continue;
        std::string local;
        if (entry.size > kLargestMember || entry.compressedSize > kLargestMember ||
            !readAt(in, entry.localHeader, 30, local) || local.compare(0, 4, "PK\x03\x04") != 0)
            return std::nullopt;
        std::string data;
        if (!readAt(in, entry.localHeader + 30 + le16At(local, 26) + le16At(local, 28), entry.compressedSize, data))
            return std::nullopt;
        if (entry.method == 0) return data.size() == entry.size ? std::optional<std::string>(data) : std::nullopt;
        if (entry.method != 8) return std::nullopt;
        std::string out(entry.size, '\0');
        z_stream z{};
        if (inflateInit2(&z, -15) != Z_OK) return std::nullopt;
        z.next_in = reinterpret_cast<Bytef*>(data.data());
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        int result = inflate(&z, Z_FINISH);
        const uint64_t produced = out.size() - z.avail_out;
        inflateEnd(&z);
        if (result != Z_STREAM_END || produced != entry.size) return std::nullopt;
        return out;
    }
    return std::nullopt;
}

}  // namespace ruvo_pack

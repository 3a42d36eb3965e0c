#include "tools/ruvo_pack/jar_listing.h"

#include <cstdint>
#include <fstream>
#include <string_view>
#include <vector>

namespace ruvo_pack {
namespace {

constexpr size_t kEndSize = 22, kLocator64Size = 20, kEnd64Size = 56, kCentralSize = 46;
constexpr uint64_t kLargestDirectory = 1ull << 28;  // a directory beyond 256 MiB is not a jar's

uint64_t little(std::string_view bytes, size_t at, int width) {
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

bool readAt(std::ifstream& in, uint64_t offset, size_t size, std::string& out) {
    out.assign(size, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(in.read(out.data(), static_cast<std::streamsize>(size)));
}

}  // namespace

std::optional<std::set<std::string>> zipMemberNames(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
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
        if (tail.compare(at, 4, "PK\x05\x06") == 0 && at + kEndSize + little(tail, at + 20, 2) <= tail.size()) {
            end = at;
            break;
        }
    if (end == std::string::npos) return std::nullopt;

    const uint64_t endPosition = tailStart + end;
    uint64_t count = little(tail, end + 10, 2), directorySize = little(tail, end + 12, 4);
    uint64_t directoryEnd = endPosition;  // the directory ends where its end record begins
    if (count == 0xFFFF || directorySize == 0xFFFFFFFF || little(tail, end + 16, 4) == 0xFFFFFFFF) {
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
        count = little(end64, 32, 8);
        directorySize = little(end64, 40, 8);
    }
    if (directorySize > directoryEnd || directorySize > kLargestDirectory) return std::nullopt;

    std::string directory;
    if (!readAt(in, directoryEnd - directorySize, directorySize, directory)) return std::nullopt;
    std::set<std::string> names;
    size_t at = 0;
    for (uint64_t n = 0; n < count; ++n) {
        if (at + kCentralSize > directory.size() || directory.compare(at, 4, "PK\x01\x02") != 0) return std::nullopt;
        size_t nameSize = little(directory, at + 28, 2);
        size_t next = at + kCentralSize + nameSize + little(directory, at + 30, 2) + little(directory, at + 32, 2);
        if (next > directory.size()) return std::nullopt;
        names.insert(directory.substr(at + kCentralSize, nameSize));
        at = next;
    }
    return names;
}

}  // namespace ruvo_pack

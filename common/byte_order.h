#pragma once
// Little-endian fields of the formats we read and write (ZIP records, PE headers and resources,
// icon files), whatever the host's own byte order. Header-only: the installer stub inlines them.
#include <cstddef>
#include <cstdint>

namespace velmora {

constexpr uint16_t readLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
constexpr uint32_t readLe32(const unsigned char* p) {
    return readLe16(p) | static_cast<uint32_t>(readLe16(p + 2)) << 16;
}
constexpr uint64_t readLe64(const unsigned char* p) {
    return readLe32(p) | static_cast<uint64_t>(readLe32(p + 4)) << 32;
}
constexpr uint32_t readBe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | p[2] << 8 | p[3];
}

// The same at an offset into a byte container (std::string, std::string_view, std::vector<uint8_t>);
// the caller has checked the range.
template <class Bytes>
uint16_t le16At(const Bytes& bytes, size_t at) {
    return readLe16(reinterpret_cast<const unsigned char*>(bytes.data()) + at);
}
template <class Bytes>
uint32_t le32At(const Bytes& bytes, size_t at) {
    return readLe32(reinterpret_cast<const unsigned char*>(bytes.data()) + at);
}
template <class Bytes>
uint64_t le64At(const Bytes& bytes, size_t at) {
    return readLe64(reinterpret_cast<const unsigned char*>(bytes.data()) + at);
}

// Appends the low 16 or 32 bits of `value`.
template <class Bytes>
void appendLe16(Bytes& out, uint32_t value) {
    using Unit = typename Bytes::value_type;
    out.push_back(static_cast<Unit>(value & 0xFF));
    out.push_back(static_cast<Unit>(value >> 8 & 0xFF));
}
template <class Bytes>
void appendLe32(Bytes& out, uint32_t value) {
    appendLe16(out, value & 0xFFFF);
    appendLe16(out, value >> 16);
}

// Overwrites bytes already in place.
template <class Bytes>
void storeLe16(Bytes& bytes, size_t at, uint32_t value) {
    using Unit = typename Bytes::value_type;
    bytes[at] = static_cast<Unit>(value & 0xFF);
    bytes[at + 1] = static_cast<Unit>(value >> 8 & 0xFF);
}
template <class Bytes>
void storeLe32(Bytes& bytes, size_t at, uint32_t value) {
    storeLe16(bytes, at, value & 0xFFFF);
    storeLe16(bytes, at + 2, value >> 16);
}

}  // namespace velmora

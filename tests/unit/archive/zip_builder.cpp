#include "tests/unit/archive/zip_builder.h"

#include <zlib.h>

namespace archive_test {
namespace {

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::string deflateRaw(const std::string& data) {
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

uint32_t crc32Of(const std::string& data) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string build(const Archive& archive) {
    std::string body, central;
    for (const Member& m : archive.members) {
        std::string stored = m.method == 8 ? deflateRaw(m.data) : m.data;
        if (m.corruptData && !stored.empty()) stored[stored.size() / 2] ^= 0x20;
        uint32_t crc = crc32Of(m.data);
        uint16_t flags = m.flags | (m.descriptor ? 0x0008 : 0);
        uint32_t offset = static_cast<uint32_t>(body.size());
        put32(body, 0x04034b50);
        put16(body, 20);
        put16(body, flags);
        put16(body, m.method);
        put16(body, m.dosTime);
        put16(body, m.dosDate);
        put32(body, m.descriptor ? 0 : crc);
        put32(body, m.descriptor ? 0 : static_cast<uint32_t>(stored.size()));
        put32(body, m.descriptor ? 0 : static_cast<uint32_t>(m.data.size()));
        put16(body, static_cast<uint32_t>(m.name.size()));
        put16(body, static_cast<uint32_t>(m.localExtra.size()));
        body += m.name + m.localExtra + stored;
        if (m.descriptor) {
            put32(body, 0x08074b50);
            put32(body, crc);
            put32(body, static_cast<uint32_t>(stored.size()));
            put32(body, static_cast<uint32_t>(m.data.size()));
        }
        put32(central, 0x02014b50);
        put16(central, 20);
        put16(central, 20);
        put16(central, flags);
        put16(central, m.method);
        put16(central, m.dosTime);
        put16(central, m.dosDate);
        put32(central, crc);
        put32(central, static_cast<uint32_t>(stored.size()));
        put32(central, static_cast<uint32_t>(m.data.size()));
        put16(central, static_cast<uint32_t>(m.name.size()));
        put16(central, static_cast<uint32_t>(m.centralExtra.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, m.external);
        put32(central, offset);
        central += m.name + m.centralExtra;
    }
    std::string out = archive.prefix + body + central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(archive.members.size()));
    put16(out, static_cast<uint32_t>(archive.members.size()));
    put32(out, static_cast<uint32_t>(central.size()));
    put32(out, static_cast<uint32_t>(body.size()));
    put16(out, static_cast<uint32_t>(archive.comment.size()));
    out += archive.comment + archive.suffix;
    return out;
}

}  // namespace archive_test

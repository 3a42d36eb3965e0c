#include "tests/support/zip_writer.h"

#include <zlib.h>

#include <stdexcept>

namespace velmora::test {
namespace {

void put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::string rawDeflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace

std::string zipArchive(const std::vector<ZipMember>& members) {
    std::string body, directory;
    for (const auto& m : members) {
        const uint32_t offset = static_cast<uint32_t>(body.size());
        uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(m.data.data()),
                                                   static_cast<uInt>(m.data.size())));
        if (m.damageCrc) crc ^= 0x1;
        const std::string stored = m.deflate ? rawDeflate(m.data) : m.data;
        const uint16_t method = m.deflate ? 8 : 0;

        put32(body, 0x04034b50);
        put16(body, 20);
        put16(body, m.flags);
        put16(body, method);
        put16(body, m.dosTime);
        put16(body, m.dosDate);
        put32(body, crc);
        put32(body, static_cast<uint32_t>(stored.size()));
        put32(body, static_cast<uint32_t>(m.data.size()));
        put16(body, static_cast<uint32_t>(m.name.size()));
        put16(body, static_cast<uint32_t>(m.localExtra.size()));
        body += m.name + m.localExtra + stored;

        put32(directory, 0x02014b50);
        put16(directory, m.versionMadeBy);
        put16(directory, 20);
        put16(directory, m.flags);
        put16(directory, method);
        put16(directory, m.dosTime);
        put16(directory, m.dosDate);
        put32(directory, crc);
        put32(directory, static_cast<uint32_t>(stored.size()));
        put32(directory, static_cast<uint32_t>(m.data.size()));
        put16(directory, static_cast<uint32_t>(m.name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, m.externalAttributes);
        put32(directory, offset);
        directory += m.name;
    }
    std::string out = body + directory;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(members.size()));
    put16(out, static_cast<uint32_t>(members.size()));
    put32(out, static_cast<uint32_t>(directory.size()));
    put32(out, static_cast<uint32_t>(body.size()));
    put16(out, 0);
    return out;
}

std::string unixTimesExtra(uint8_t flags, const std::vector<uint32_t>& times) {
    std::string out = "UT";
    put16(out, static_cast<uint32_t>(1 + 4 * times.size()));
    out += static_cast<char>(flags);
    for (uint32_t t : times) put32(out, t);
    return out;
}

std::string vmPack(const std::vector<ZipMember>& vmMembers) {
    return zipArchive({{.name = "vm.zip", .data = zipArchive(vmMembers), .deflate = true},
                       {.name = "vm.properties", .data = "vm.version=1.8\n"}});
}

}  // namespace velmora::test

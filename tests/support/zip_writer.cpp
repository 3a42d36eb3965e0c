#include "tests/support/zip_writer.h"

#include <zlib.h>

#include <stdexcept>

#include "common/byte_order.h"
#include "tools/ruvo_pack/zip_records.h"

namespace velmora::test {

std::string deflateRaw(const std::string& data) {
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

uint32_t crc32Of(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string zipBytes(const ZipLayout& layout) {
    std::string body, directory;
    for (const ZipMember& m : layout.members) {
        std::string stored = m.method == 8 ? deflateRaw(m.data) : m.data;
        if (m.corruptData && !stored.empty()) stored[stored.size() / 2] ^= 0x20;
        ruvo_pack::ZipRecord record;
        record.name = m.name;
        record.versionMadeBy = m.versionMadeBy;
        record.flags = m.flags;
        record.method = m.method;
        record.dosTime = m.dosTime;
        record.dosDate = m.dosDate;
        record.crc = crc32Of(m.data) ^ (m.damageCrc ? 1u : 0u);
        record.compressedSize = static_cast<uint32_t>(stored.size());
        record.size = static_cast<uint32_t>(m.data.size());
        record.externalAttributes = m.externalAttributes;
        record.localHeaderOffset = static_cast<uint32_t>(body.size());
        record.localExtra = m.localExtra;
        record.centralExtra = m.centralExtra;
        body += ruvo_pack::localHeader(record) + stored;
        if (m.flags & ruvo_pack::kDescriptorFlag) body += ruvo_pack::dataDescriptor(record);
        directory += ruvo_pack::centralRecord(record);
    }
    return layout.prefix + body + directory +
           ruvo_pack::endRecord(static_cast<uint32_t>(layout.members.size()), static_cast<uint32_t>(directory.size()),
                                static_cast<uint32_t>(body.size()), layout.comment) +
           layout.suffix;
}

std::string zipArchive(const std::vector<ZipMember>& members) { return zipBytes({.members = members}); }

std::string unixTimesExtra(uint8_t flags, const std::vector<uint32_t>& times) {
    std::string out = "UT";
    appendLe16(out, static_cast<uint32_t>(1 + 4 * times.size()));
    out += static_cast<char>(flags);
    for (uint32_t t : times) appendLe32(out, t);
    return out;
}

std::string vmPack(const std::vector<ZipMember>& vmMembers) {
    return zipArchive({{.name = "vm.zip", .data = zipArchive(vmMembers), .method = 8},
                       {.name = "vm.properties", .data = "vm.version=1.8\n"}});
}

}  // namespace velmora::test

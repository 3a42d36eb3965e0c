#include "tools/ruvo_pack/zip_records.h"

#include "common/byte_order.h"
namespace ruvo_pack {

using velmora::appendLe16;
using velmora::appendLe32;

std::string localHeader(const ZipRecord& record) {
    const bool descriptor = (record.flags & kDescriptorFlag) != 0;
    std::string out;
    appendLe32(out, kLocalHeaderSignature);
    appendLe16(out, record.versionNeeded);
    appendLe16(out, record.flags);
    appendLe16(out, record.method);
    appendLe16(out, record.dosTime);
    appendLe16(out, record.dosDate);
    appendLe32(out, descriptor ? 0 : record.crc);
    appendLe32(out, descriptor ? 0 : record.compressedSize);
    appendLe32(out, descriptor ? 0 : record.size);
    appendLe16(out, static_cast<uint32_t>(record.name.size()));
    appendLe16(out, static_cast<uint32_t>(record.localExtra.size()));
    return out + record.name + record.localExtra;
}

std::string dataDescriptor(const ZipRecord& record) {
    std::string out;
    appendLe32(out, kDescriptorSignature);
    appendLe32(out, record.crc);
    appendLe32(out, record.compressedSize);
    appendLe32(out, record.size);
    return out;
}

std::string centralRecord(const ZipRecord& record) {
    std::string out;
    appendLe32(out, kCentralRecordSignature);
    appendLe16(out, record.versionMadeBy);
    appendLe16(out, record.versionNeeded);
    appendLe16(out, record.flags);
    appendLe16(out, record.method);
    appendLe16(out, record.dosTime);
    appendLe16(out, record.dosDate);
    appendLe32(out, record.crc);
    appendLe32(out, record.compressedSize);
    appendLe32(out, record.size);
    appendLe16(out, static_cast<uint32_t>(record.name.size()));
    appendLe16(out, static_cast<uint32_t>(record.centralExtra.size()));
    appendLe16(out, 0);  // comment
    appendLe16(out, 0);  // disk
    appendLe16(out, 0);  // internal attributes
    appendLe32(out, record.externalAttributes);
    appendLe32(out, record.localHeaderOffset);
    return out + record.name + record.centralExtra;
}

std::string endRecord(uint32_t count, uint32_t directorySize, uint32_t directoryOffset, const std::string& comment) {
    std::string out;
    appendLe32(out, kEndRecordSignature);
    appendLe16(out, 0);
    appendLe16(out, 0);
    appendLe16(out, count);
    appendLe16(out, count);
    appendLe32(out, directorySize);
    appendLe32(out, directoryOffset);
    appendLe16(out, static_cast<uint32_t>(comment.size()));
    return out + comment;
}

}  // namespace ruvo_pack

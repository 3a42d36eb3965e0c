#include "tools/ruvo_pack/zip_records.h"

namespace ruvo_pack {

void put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::string localHeader(const ZipRecord& record) {
    const bool descriptor = (record.flags & kDescriptorFlag) != 0;
    std::string out;
    put32(out, kLocalHeaderSignature);
    put16(out, record.versionNeeded);
    put16(out, record.flags);
    put16(out, record.method);
    put16(out, record.dosTime);
    put16(out, record.dosDate);
    put32(out, descriptor ? 0 : record.crc);
    put32(out, descriptor ? 0 : record.compressedSize);
    put32(out, descriptor ? 0 : record.size);
    put16(out, static_cast<uint32_t>(record.name.size()));
    put16(out, static_cast<uint32_t>(record.localExtra.size()));
    return out + record.name + record.localExtra;
}

std::string dataDescriptor(const ZipRecord& record) {
    std::string out;
    put32(out, kDescriptorSignature);
    put32(out, record.crc);
    put32(out, record.compressedSize);
    put32(out, record.size);
    return out;
}

std::string centralRecord(const ZipRecord& record) {
    std::string out;
    put32(out, kCentralRecordSignature);
    put16(out, record.versionMadeBy);
    put16(out, record.versionNeeded);
    put16(out, record.flags);
    put16(out, record.method);
    put16(out, record.dosTime);
    put16(out, record.dosDate);
    put32(out, record.crc);
    put32(out, record.compressedSize);
    put32(out, record.size);
    put16(out, static_cast<uint32_t>(record.name.size()));
    put16(out, static_cast<uint32_t>(record.centralExtra.size()));
    put16(out, 0);  // comment
    put16(out, 0);  // disk
    put16(out, 0);  // internal attributes
    put32(out, record.externalAttributes);
    put32(out, record.localHeaderOffset);
    return out + record.name + record.centralExtra;
}

std::string endRecord(uint32_t count, uint32_t directorySize, uint32_t directoryOffset, const std::string& comment) {
    std::string out;
    put32(out, kEndRecordSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, count);
    put16(out, count);
    put32(out, directorySize);
    put32(out, directoryOffset);
    put16(out, static_cast<uint32_t>(comment.size()));
    return out + comment;
}

}  // namespace ruvo_pack

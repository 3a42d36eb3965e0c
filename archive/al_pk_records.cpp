#include "archive/al_archive.h"

namespace {

uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char* p) { return le16(p) | (static_cast<uint32_t>(le16(p + 2)) << 16); }

}  // namespace

ALPkRecordKind ALPkRecordKindOf(const unsigned char* signature) {
    if (signature[0] != 'P' || signature[1] != 'K') return AL_PK_BAD_RECORD;
    if (signature[2] == 1 && signature[3] == 2) return AL_PK_DIRECTORY_RECORD;
    if (signature[2] == 5 && signature[3] == 6) return AL_PK_END_RECORD;
    return AL_PK_BAD_RECORD;
}

ALPkDirectoryRecord ALDecodeDirectoryRecord(const unsigned char* bytes) {
    ALPkDirectoryRecord r;
    r.versionMadeBy = le16(bytes + 4);
    r.versionNeeded = le16(bytes + 6);
    r.flags = le16(bytes + 8);
    r.method = le16(bytes + 10);
    r.time = le16(bytes + 12);
    r.date = le16(bytes + 14);
    r.crc = le32(bytes + 16);
    r.compressedSize = le32(bytes + 20);
    r.size = le32(bytes + 24);
    r.nameLength = le16(bytes + 28);
    r.extraLength = le16(bytes + 30);
    r.commentLength = le16(bytes + 32);
    r.diskStart = le16(bytes + 34);
    r.internalAttributes = le16(bytes + 36);
    r.externalAttributes = le32(bytes + 38);
    r.localHeaderOffset = le32(bytes + 42);
    return r;
}

int ALPkDirectoryRecord::TypeCode() const {
    return method == 8 ? AL_ENGINE_DEFLATE + ((flags >> 1) & 3) : method + 100;
}

long ALPkDirectoryRecord::LocalSpan() const {
    const long descriptor = (flags & 0x0008) ? 16 : 0;
    return 30 + static_cast<long>(nameLength) + extraLength + static_cast<long>(compressedSize) + descriptor;
}

#include "archive/al_archive.h"
#include "common/byte_order.h"

using velmora::readLe16;
using velmora::readLe32;

ALPkRecordKind ALPkRecordKindOf(const unsigned char* signature) {
    if (signature[0] != 'P' || signature[1] != 'K') return AL_PK_BAD_RECORD;
    if (signature[2] == 1 && signature[3] == 2) return AL_PK_DIRECTORY_RECORD;
    if (signature[2] == 5 && signature[3] == 6) return AL_PK_END_RECORD;
    return AL_PK_BAD_RECORD;
}

ALPkDirectoryRecord ALDecodeDirectoryRecord(const unsigned char* bytes) {
    ALPkDirectoryRecord r;
    r.versionMadeBy = readLe16(bytes + 4);
    r.versionNeeded = readLe16(bytes + 6);
    r.flags = readLe16(bytes + 8);
    r.method = readLe16(bytes + 10);
    r.time = readLe16(bytes + 12);
    r.date = readLe16(bytes + 14);
    r.crc = readLe32(bytes + 16);
    r.compressedSize = readLe32(bytes + 20);
    r.size = readLe32(bytes + 24);
    r.nameLength = readLe16(bytes + 28);
    r.extraLength = readLe16(bytes + 30);
    r.commentLength = readLe16(bytes + 32);
    r.diskStart = readLe16(bytes + 34);
    r.internalAttributes = readLe16(bytes + 36);
    r.externalAttributes = readLe32(bytes + 38);
    r.localHeaderOffset = readLe32(bytes + 42);
    return r;
}

int ALPkDirectoryRecord::TypeCode() const {
    return method == 8 ? AL_ENGINE_DEFLATE + ((flags >> 1) & 3) : method + 100;
}

long ALPkDirectoryRecord::LocalSpan() const {
    const long descriptor = (flags & 0x0008) ? 16 : 0;
    return 30 + static_cast<long>(nameLength) + extraLength + static_cast<long>(compressedSize) + descriptor;
}

// The archive engine's ZIP directory reader and extraction, over the in-memory file system:
// the payload is a read-only file, members are written below the working folder. Signed
// programs (a certificate table behind the archive) are among the seeds.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/al_archive.h"
#include "fuzz_input.h"
#include "member_name_check.h"
#include "memory_files.h"
#include "tools/ruvo_pack/zip_records.h"

namespace {

// Windows keeps the stored sizes in a 32-bit long, where 0x80000000 and above are negative;
// this build's 64-bit long never sees that. So the first members' engines run again with
// each size as Windows holds it: reading moves the input forwards only, and not past the
// end of the file.
void RunWithWindowsLengths(ALEntryRing& ring, long fileSize) {
    int runs = 0;
    for (ALEntry* e = ring.FirstEntry(); e && runs < 8; e = e->NextEntry(), ++runs) {
        if (!e->decompressor()) continue;
        std::unique_ptr<ALDecompressor> engine(ring.prototypes().DecompressionEngineFor(e->decompressor()->TypeCode()));
        if (!engine) continue;
        ALFile input(L"/in/payload.exe");
        if (input.Open() < 0) return;
        input.Seek(e->localHeaderOffset);  // may lie past the end, where nothing is read
        const long start = input.Tell();
        ALFile output(L"windows-length.bin");
        engine->Decompress(input, output, static_cast<long>(static_cast<int32_t>(e->compressedSize)));
        const long at = input.Tell();
        FUZZ_CHECK(input.status < 0 || (at >= start && at <= std::max(start, fileSize)));
        input.Close();
    }
}

// The record decoder driven directly: the fixed part written back from the decoded fields by
// the packer's writer gives the same bytes, so both agree on every field's place. (The writer
// stores the central signature and no comment length, disk or internal attributes.)
void CheckRecordDecoder(const uint8_t* data, size_t size) {
    if (size < static_cast<size_t>(ALPkDirectoryRecord::kFixedLength)) return;
    const ALPkDirectoryRecord r = ALDecodeDirectoryRecord(data);
    ruvo_pack::ZipRecord w;
    w.name.assign(r.nameLength, 'n');
    w.versionMadeBy = r.versionMadeBy;
    w.versionNeeded = r.versionNeeded;
    w.flags = r.flags;
    w.method = r.method;
    w.dosTime = r.time;
    w.dosDate = r.date;
    w.crc = r.crc;
    w.compressedSize = r.compressedSize;
    w.size = r.size;
    w.externalAttributes = r.externalAttributes;
    w.localHeaderOffset = r.localHeaderOffset;
    w.centralExtra.assign(r.extraLength, 'e');
    std::string expected(reinterpret_cast<const char*>(data), ALPkDirectoryRecord::kFixedLength);
    expected.replace(0, 4, "PK\x01\x02");
    expected.replace(32, 6, 6, '\0');
    FUZZ_CHECK(ruvo_pack::centralRecord(w).compare(0, expected.size(), expected) == 0);
    FUZZ_CHECK(ALPkRecordKindOf(data) != AL_PK_DIRECTORY_RECORD || (data[2] == 1 && data[3] == 2));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckRecordDecoder(data, size);
    ALCertificateDirectory table;
    if (ALReadCertificateDirectory(data, size, table)) FUZZ_CHECK(table.offset != 0 && table.size != 0);
    memory_files::Reset();
    memory_files::AddFile("/in/payload.exe", std::vector<unsigned char>(data, data + size));
    {
        size_t callbacks = 0;
        ALSimpleMonitor monitor([&](const wchar_t*, int, int) { ++callbacks; }, AL_MONITOR_JOB | AL_SEND_MESSAGES);
        ALEntryRing ring(&monitor);
        ALPkArchive archive(L"/in/payload.exe");
        int count = archive.ReadDirectory(ring);
        FUZZ_CHECK(count < 0 || count == ring.EntryCount());
        // Only names the common rule accepts are ever written.
        for (ALEntry* e = ring.FirstEntry(); count >= 0 && e; e = e->NextEntry())
            FUZZ_CHECK(velmora::isSafeMemberName(e->storage()->name.Text()) &&
                       fuzz::NamesExactlyItsFile(memory_files::kWorkingFolder, e->storage()->name.Text()));
        // A signed file's certificate table is never searched: the archive ends before it.
        FUZZ_CHECK(archive.SearchEnd() <= static_cast<long>(size));
        FUZZ_CHECK(archive.EndRecordPosition() < 0 || archive.EndRecordPosition() + 4 <= archive.SearchEnd());
        int result = archive.Extract(ring, velmora::utf8ToWide(memory_files::kWorkingFolder));
        FUZZ_CHECK(result >= 0 || archive.status.Code() == result);
        (void)ALStatusReportLine(result);
        (void)archive.status.Text();
        if (count > 0) RunWithWindowsLengths(ring, static_cast<long>(size));
    }
    FUZZ_CHECK(memory_files::OpenDescriptors() == 0);
    return 0;
}

// The archive engine's ZIP directory reader and extraction, over the in-memory file system:
// the payload is a read-only file, members are written below the working folder.
#include <vector>

#include "archive/al_archive.h"
#include "fuzz_input.h"
#include "memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    memory_files::Reset();
    memory_files::AddFile("/in/payload.exe", std::vector<unsigned char>(data, data + size));
    {
        size_t callbacks = 0;
        ALSimpleMonitor monitor([&](const wchar_t*, int, int) { ++callbacks; }, AL_MONITOR_JOB | AL_SEND_MESSAGES);
        ALEntryRing ring(&monitor);
        ALPkArchive archive(L"/in/payload.exe");
        int count = archive.ReadDirectory(ring);
        FUZZ_CHECK(count < 0 || count == ring.EntryCount());
        int result = archive.Extract(ring);
        FUZZ_CHECK(result >= 0 || archive.status.Code() == result);
        (void)ALStatusReportLine(result);
        (void)archive.status.Text();
    }
    FUZZ_CHECK(memory_files::OpenDescriptors() == 0);
    return 0;
}

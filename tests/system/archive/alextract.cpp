// alextract ARCHIVE FOLDER [--trace] [--stats]: extracts a ZIP archive (or an installer with its
// payload) below FOLDER with the archive engine, the way the self-extractor drives it, and
// prints the result. Used by the system tests and the benchmark.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "archive/al_archive.h"
#include "common/text_convert.h"

namespace {

void print(const std::wstring& text) { std::fputs((velmora::wideToUtf8(text) + "\n").c_str(), stdout); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: alextract ARCHIVE FOLDER [--trace] [--stats]\n", stderr);
        return 2;
    }
    bool trace = false, stats = false;
    for (int i = 3; i < argc; ++i) {
        trace |= std::wstring(argv[i]) == L"--trace";
        stats |= std::wstring(argv[i]) == L"--stats";
    }
    wchar_t archivePath[MAX_PATH];
    if (!GetFullPathNameW(argv[1], MAX_PATH, archivePath, nullptr)) return 2;
    CreateDirectoryW(argv[2], nullptr);
    const DWORD folder = GetFileAttributesW(argv[2]);
    if (folder == INVALID_FILE_ATTRIBUTES || !(folder & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fputs("cannot make the output folder\n", stderr);
        return 2;
    }

    ALSimpleMonitor monitor([trace](const wchar_t* text, int object, int job) {
        if (!trace) return;
        wchar_t line[600];
        swprintf(line, 600, L"monitor: %ls %d %d", text ? text : L"-", object, job);
        print(line);
    });
    int directory, result;
    std::wstring detail;
    {
        ALEntryRing ring(&monitor);
        ALPkArchive archive(archivePath);
        directory = archive.ReadDirectory(ring);
        result = archive.Extract(ring, argv[2]);
        detail = archive.status.Text();
    }
    std::printf("directory: %d\nresult: %d\n", directory, result);
    if (result < 0) {
        print(L"detail: " + detail);
        print(L"report: " + ALStatusReportLine(result));
    }
    if (stats) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
            std::printf("peak-working-set-kb: %llu\npeak-private-kb: %llu\n",
                        static_cast<unsigned long long>(counters.PeakWorkingSetSize / 1024),
                        static_cast<unsigned long long>(counters.PeakPagefileUsage / 1024));
    }
    return result < 0 ? 1 : 0;
}

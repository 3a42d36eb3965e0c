// Measures how long a program takes to bring up the stand-in VM: from just before
// CreateProcessW to the start time the stand-in writes into its stamp file.
//   start_timer [--env NAME=VALUE]... RUNS STAMPFILE COMMANDLINE
// With "-" for the stamp file only whole runs are timed.
// Prints the median and mean start-to-VM times and whole-run times in milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

uint64_t now() {
    FILETIME t;
    ::GetSystemTimePreciseAsFileTime(&t);
    return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

bool readStamp(const std::wstring& path, uint64_t& stamp) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[64] = {};
    DWORD got = 0;
    ::ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
    ::CloseHandle(file);
    stamp = std::strtoull(buffer, nullptr, 10);
    return stamp != 0;
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("%-22s median %8.1f ms   mean %8.1f ms   min %8.1f ms   (%zu runs)\n", what, ms[ms.size() / 2],
                sum / static_cast<double>(ms.size()), ms.front(), ms.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int i = 1;
    for (; i + 1 < argc && std::wcscmp(argv[i], L"--env") == 0; i += 2) {
        std::wstring entry = argv[i + 1];
        size_t eq = entry.find(L'=');
        if (eq != std::wstring::npos) ::SetEnvironmentVariableW(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str());
    }
    if (argc - i < 3) {
        std::fputs("usage: start_timer [--env NAME=VALUE]... RUNS STAMPFILE COMMANDLINE\n", stderr);
        return 2;
    }
    int runs = _wtoi(argv[i]);
    std::wstring stampFile = argv[i + 1];
    std::wstring commandLine = argv[i + 2];
    if (stampFile != L"-") ::SetEnvironmentVariableW(L"STANDIN_STAMP", stampFile.c_str());

    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ::SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    std::vector<double> toVm, whole;
    for (int run = 0; run <= runs; ++run) {  // run 0 warms the caches and is not counted
        ::DeleteFileW(stampFile.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
        PROCESS_INFORMATION info{};
        std::wstring writable = commandLine;
        uint64_t t0 = now();
        if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
            std::fprintf(stderr, "cannot start the program: error %lu\n", ::GetLastError());
            return 1;
        }
        ::WaitForSingleObject(info.hProcess, INFINITE);
        uint64_t t1 = now();
        DWORD code = 0;
        ::GetExitCodeProcess(info.hProcess, &code);
        ::CloseHandle(info.hProcess);
        ::CloseHandle(info.hThread);
        uint64_t stamp = t1;
        if (stampFile != L"-" && !readStamp(stampFile, stamp)) {
            std::fprintf(stderr, "the stand-in VM did not start (exit code %lu)\n", code);
            return 1;
        }
        if (run == 0) continue;
        toVm.push_back(static_cast<double>(stamp - t0) / 10000.0);
        whole.push_back(static_cast<double>(t1 - t0) / 10000.0);
    }
    report("start to VM start:", toVm);
    report("whole run:", whole);
    return 0;
}

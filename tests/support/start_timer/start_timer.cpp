// Measures how long programs take to bring up the stand-in VM: from just before
// CreateProcessW to the start time the stand-in writes into its stamp file.
//   start_timer [--env NAME=VALUE]... RUNS STAMPFILE COMMANDLINE...
// The command lines take turns within each round, so that all of them see the same load
// on the machine. With "-" for the stamp file only whole runs are timed. Prints median and
// minimum times per command line and, for every further command line, the median of its
// per-round ratio to the first.
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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from the start call to the stamp (or to the end without a stamp file).
bool timeOnce(const std::wstring& commandLine, const std::wstring& stampFile, HANDLE nul, double& ms) {
    if (stampFile != L"-") ::DeleteFileW(stampFile.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info{};
    std::wstring writable = commandLine;
    uint64_t t0 = now();
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        std::fprintf(stderr, "cannot start %ls: error %lu\n", commandLine.c_str(), ::GetLastError());
        return false;
    }
    ::WaitForSingleObject(info.hProcess, INFINITE);
    uint64_t end = now();
    DWORD code = 0;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    if (stampFile != L"-" && !readStamp(stampFile, end)) {
        std::fprintf(stderr, "the stand-in VM did not start from %ls (exit code %lu)\n", commandLine.c_str(), code);
        return false;
    }
    ms = static_cast<double>(end - t0) / 10000.0;
    return true;
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
        std::fputs("usage: start_timer [--env NAME=VALUE]... RUNS STAMPFILE COMMANDLINE...\n", stderr);
        return 2;
    }
    const int runs = _wtoi(argv[i]);
    const std::wstring stampFile = argv[i + 1];
    std::vector<std::wstring> commands(argv + i + 2, argv + argc);
    if (stampFile != L"-") ::SetEnvironmentVariableW(L"STANDIN_STAMP", stampFile.c_str());

    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ::SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    std::vector<std::vector<double>> times(commands.size());
    for (int run = 0; run <= runs; ++run) {  // round 0 warms the caches and is not counted
        for (size_t c = 0; c < commands.size(); ++c) {
            double ms = 0;
            if (!timeOnce(commands[c], stampFile, nul, ms)) return 1;
            if (run > 0) times[c].push_back(ms);
        }
    }
    for (size_t c = 0; c < commands.size(); ++c) {
        std::printf("command %zu: median %7.1f ms   min %7.1f ms   (%d runs)\n", c + 1, median(times[c]),
                    *std::min_element(times[c].begin(), times[c].end()), runs);
    }
    for (size_t c = 1; c < commands.size(); ++c) {
        std::vector<double> ratios;
        for (int r = 0; r < runs; ++r) ratios.push_back(times[c][r] / times[0][r]);
        std::printf("command %zu / command 1: median ratio %.2f\n", c + 1, median(ratios));
    }
    return 0;
}

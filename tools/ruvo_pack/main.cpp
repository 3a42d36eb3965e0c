// ruvo-pack: builds a shipped installer from the self-extractor stub and an installer folder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/application_pack.h"
#include "tools/ruvo_pack/check_command.h"
#include "tools/ruvo_pack/packer.h"

namespace {

constexpr uint64_t kProgressThreshold = 32ull << 20;  // smaller inputs pack too fast to watch

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// The folder of this program, where the shipped stub and launchers are found.
std::filesystem::path programFolder() {
#ifdef _WIN32
    wchar_t path[32768];
    DWORD length = GetModuleFileNameW(nullptr, path, 32768);
    return std::filesystem::path(std::wstring(path, length)).parent_path();
#else
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
#endif
}

int run(const std::vector<std::string>& givenArguments) {
    std::vector<std::string> arguments;
    std::string argumentFileError;
    if (!ruvo_pack::expandArgumentFiles(givenArguments, arguments, argumentFileError)) {
        std::fprintf(stderr, "ruvo-pack: %s\n", argumentFileError.c_str());
        return 2;
    }
    if (ruvo_pack::isApplicationMode(arguments)) return ruvo_pack::runApplicationMode(arguments, programFolder());
    const ruvo_pack::CheckRequest check = ruvo_pack::takeCheckOptions(arguments);
    ruvo_pack::ParsedArguments parsed = ruvo_pack::parseArguments(check.rest);
    if (parsed.command == ruvo_pack::Command::Help) {
        std::fputs(ruvo_pack::fullUsageText().c_str(), stdout);
        return 0;
    }
    if (parsed.command == ruvo_pack::Command::Version) {
        std::fputs(ruvo_pack::versionText().c_str(), stdout);
        return 0;
    }
    if (check.mode == ruvo_pack::CheckMode::CheckOnly) return ruvo_pack::runCheckCommand(check.rest);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "ruvo-pack: %s\n%s", parsed.error.c_str(), ruvo_pack::fullUsageText().c_str());
        return 2;
    }
    std::string epochError;
    if (!ruvo_pack::readSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"), parsed.options.sourceDateEpoch, epochError)) {
        std::fprintf(stderr, "ruvo-pack: %s\n", epochError.c_str());
        return 2;
    }
    if (!ruvo_pack::checkBeforePacking(parsed.options, check.mode == ruvo_pack::CheckMode::PackChecked)) return 1;

    const bool terminal = stderrIsTerminal();
    int lastShown = -1;
    auto progress = [&](uint64_t done, uint64_t total) {
        if (total < kProgressThreshold) return;
        int percent = static_cast<int>(done * 100 / total);
        if (terminal) {
            if (percent == lastShown) return;
            std::fprintf(stderr, "\rruvo-pack: packing %3d%% (%llu of %llu MB)", percent,
                         static_cast<unsigned long long>(done >> 20), static_cast<unsigned long long>(total >> 20));
            if (percent == 100) std::fputc('\n', stderr);
        } else {
            if (percent / 10 == lastShown / 10 && lastShown >= 0) return;
            std::fprintf(stderr, "ruvo-pack: packing %d%%\n", percent / 10 * 10);
        }
        lastShown = percent;
        std::fflush(stderr);
    };

    std::string error;
    std::vector<std::string> warnings;
    bool ok = ruvo_pack::pack(parsed.options, progress, error, warnings);
    if (terminal && lastShown >= 0 && lastShown < 100) std::fputc('\n', stderr);
    for (const auto& w : warnings) std::fprintf(stderr, "ruvo-pack: warning: %s\n", w.c_str());
    if (!ok) {
        std::fprintf(stderr, "ruvo-pack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text.data(), n, nullptr, nullptr);
        arguments.push_back(text);
    }
    return run(arguments);
}
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif

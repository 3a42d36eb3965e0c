#include "tools/ruvo_pack/check_command.h"

#include <cstdio>

#include "tools/ruvo_pack/installer_check.h"
#include "tools/ruvo_pack/payload_format.h"

namespace fs = std::filesystem;

namespace ruvo_pack {
namespace {

fs::path pathOfUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

int usageError(const std::string& text) {
    std::fprintf(stderr, "ruvo-pack: %s\n%s", text.c_str(), fullUsageText().c_str());
    return 2;
}

}  // namespace

CheckRequest takeCheckOptions(const std::vector<std::string>& arguments) {
    CheckRequest request;
    bool positionalOnly = false;
    for (const auto& a : arguments) {
        if (!positionalOnly && a == "--check") {
            request.mode = CheckMode::CheckOnly;
        } else if (!positionalOnly && a == "--no-check") {
            if (request.mode != CheckMode::CheckOnly) request.mode = CheckMode::PackUnchecked;
        } else {
            positionalOnly = positionalOnly || a == "--";
            request.rest.push_back(a);
        }
    }
    return request;
}

int runCheckCommand(const std::vector<std::string>& arguments) {
    CheckOptions options;
    std::vector<std::string> folders;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--out" || a == "--stub" || a == "--level") {
            if (i + 1 >= arguments.size()) return usageError(a + " needs a value");
            const std::string& value = arguments[++i];
            if (a != "--out") continue;  // taken, so that a packing command line can be checked as it stands
            auto name = installerNameOf(value);
            if (!name) return usageError("--out must name an .exe file");
            options.installerName = *name;
        } else if (a == "--") {
            folders.insert(folders.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("unknown option '" + a + "'");
        } else {
            folders.push_back(a);
        }
    }
    if (folders.size() != 1)
        return usageError(folders.empty() ? "the installer folder is missing" : "give exactly one installer folder");

    CheckResult result = checkInstallerFolder(pathOfUtf8(folders[0]), options);
    for (const auto& finding : result.findings) std::printf("%s\n", formatFinding(finding).c_str());
    std::printf("%s: %s\n", folders[0].c_str(), summaryText(result).c_str());
    return result.count(Severity::Error) > 0 ? 1 : 0;
}

bool checkBeforePacking(const PackOptions& options, bool blocking) {
    CheckOptions check;
    auto fileName = options.output.filename().u8string();
    check.installerName = installerNameOf(std::string(fileName.begin(), fileName.end())).value_or("");
    CheckResult result = checkInstallerFolder(options.folder, check);
    for (const auto& finding : result.findings) {
        if (finding.severity == Severity::Note) continue;
        const bool overruled = !blocking && finding.severity == Severity::Error;
        std::fprintf(stderr, "%s%s\n", formatFinding(finding).c_str(), overruled ? " (not blocking: --no-check)" : "");
    }
    const int errors = result.count(Severity::Error);
    if (errors > 0 && blocking)
        std::fprintf(stderr, "ruvo-pack: the folder check found %s; nothing was written (--no-check packs anyway)\n",
                     summaryText(result).c_str());
    else if (errors > 0)
        std::fprintf(stderr, "ruvo-pack: the folder check found %s; packing anyway (--no-check)\n",
                     summaryText(result).c_str());
    return errors == 0 || !blocking;
}

std::string fullUsageText() { return usageText() + checkUsageText() + "\n" + sourceDateEpochText(); }

std::string checkUsageText() {
    return "  --check        check FOLDER as the installer and its launcher will read it, and\n"
           "                 write nothing (--stub is not needed; --out gives the installer's name)\n"
           "  --no-check     pack even when the check finds errors (packing checks first and\n"
           "                 refuses a folder with errors)\n";
}

}  // namespace ruvo_pack

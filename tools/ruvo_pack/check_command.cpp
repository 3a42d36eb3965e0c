#include "tools/ruvo_pack/check_command.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/branding.h"
#include "tools/ruvo_pack/installer_check.h"
#include "tools/ruvo_pack/launcher_choice.h"
#include "tools/ruvo_pack/payload_format.h"

namespace fs = std::filesystem;

namespace ruvo_pack {
namespace {

fs::path pathOfUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

// What branding would refuse in the stub (when given) and in the launcher the installer starts.
void checkBrandable(const fs::path& folder, const std::string& installerName, const std::string& stub,
                    const BrandingOptions& branding, std::vector<Finding>& findings) {
    auto tryBrand = [&](const fs::path& path, const std::string& shown, bool launcher) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return;  // a missing file is the folder check's or the packer's to report
        Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string error;
        const bool ok = launcher ? brandLauncher(bytes, branding, shown, "", error)
                                 : brandStub(bytes, branding, shown, installerName + ".exe", error);
        if (ok) return;
        if (error.rfind(shown + ": ", 0) == 0) error.erase(0, shown.size() + 2);
        findings.push_back({shown, 0, Severity::Error, "cannot be branded: " + error});
    };
    if (!stub.empty()) tryBrand(pathOfUtf8(stub), stub, false);
    std::vector<SourceFile> files;
    std::vector<std::string> warnings;
    std::string error;
    if (!collectFiles(folder, {}, files, error, warnings)) return;
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const auto& f : files) names.push_back(f.memberName);
    const std::string chosen = chosenLauncher(names, installerName);
    for (const auto& f : files)
        if (!chosen.empty() && f.memberName == chosen) tryBrand(f.path, chosen, true);
}

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
    BrandingOptions branding;
    std::string stub;
    std::vector<std::string> folders;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--out" || a == "--stub" || a == "--level") {
            if (i + 1 >= arguments.size()) return usageError(a + " needs a value");
            const std::string& value = arguments[++i];
            if (a == "--stub") stub = value;  // checked when branding, as packing would brand it
            if (a != "--out") continue;  // taken, so that a packing command line can be checked as it stands
            auto name = installerNameOf(value);
            if (!name) return usageError("--out must name an .exe file");
            options.installerName = *name;
        } else if (std::string missing; takeBrandingOption(arguments, i, branding, missing)) {
            if (!missing.empty()) return usageError(missing);
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
    // The branding options' problems come first, in the findings' form.
    std::vector<Finding> branded;
    for (const auto& problem : checkBranding(branding))
        branded.push_back({problem.subject, 0, Severity::Error, problem.text});
    if (branded.empty() && branding.any())
        checkBrandable(pathOfUtf8(folders[0]), options.installerName, stub, branding, branded);
    result.findings.insert(result.findings.begin(), branded.begin(), branded.end());
    for (const auto& finding : result.findings) std::printf("%s\n", formatFinding(finding).c_str());
    std::printf("%s: %s\n", folders[0].c_str(), summaryText(result).c_str());
    return result.count(Severity::Error) > 0 ? 1 : 0;
}

bool checkBeforePacking(const PackOptions& options, bool blocking, InstallerNaming naming) {
    CheckOptions check;
    auto fileName = options.output.filename().u8string();
    if (naming == InstallerNaming::Judged)
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

std::string fullUsageText() {
    return usageText() + checkUsageText() + "\nApplication mode, from a jar:\n\n" + applicationUsageText() + "\n" +
           sourceDateEpochText();
}

std::string checkUsageText() {
    return "  --check        check FOLDER as the installer and its launcher will read it, and\n"
           "                 write nothing (--stub is not needed; --out gives the installer's name)\n"
           "  --no-check     pack even when the check finds errors (packing checks first and\n"
           "                 refuses a folder with errors); branding options given with --check\n"
           "                 are checked too\n";
}

}  // namespace ruvo_pack

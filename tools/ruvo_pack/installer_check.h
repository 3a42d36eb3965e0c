#pragma once
// Checks an installer folder the way the self-extractor and the launcher will use it, so that
// a mistake shows while building rather than on the user's machine.
#include <filesystem>
#include <string>
#include <vector>

namespace ruvo_pack {

enum class Severity { Error, Warning, Note };

struct Finding {
    std::string path;  // relative to the folder, '/'-separated
    int line = 0;      // 0 when the finding concerns the file as a whole
    Severity severity = Severity::Error;
    std::string text;
};

struct CheckOptions {
    // The installer's base name ("MyApp" for MyApp.exe); empty when not known, and then the
    // launcher is the one an installer of any other name starts.
    std::string installerName;
};

struct CheckResult {
    std::vector<Finding> findings;
    int count(Severity severity) const;
};

CheckResult checkInstallerFolder(const std::filesystem::path& folder, const CheckOptions& options);

// "PATH:LINE: error: text" (no ":LINE" without a line).
std::string formatFinding(const Finding& finding);
// "1 error, 2 warnings".
std::string summaryText(const CheckResult& result);

}  // namespace ruvo_pack

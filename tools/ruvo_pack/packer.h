#pragma once
// Builds a shipped installer file from the self-extractor stub and an installer folder.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/ruvo_pack/branding.h"
#include "tools/ruvo_pack/branding_options.h"

namespace ruvo_pack {

struct PackOptions {
    std::filesystem::path stub;
    std::filesystem::path output;
    std::filesystem::path folder;
    int level = 6;  // deflate level 0-9
    // Set: every member carries this time (seconds since 1970, UTC) instead of its file's, so
    // that the installer depends only on the folder's names and contents.
    std::optional<int64_t> sourceDateEpoch;
    BrandingOptions branding;  // applied to the stub's copy and to the launcher in the payload
    // Application mode: the stub's identity, and its payload's programs are branded already.
    std::optional<ProductIdentity> identity;
    bool brandPayloadLauncher = true;
};

enum class Command { Pack, Help, Version };

struct ParsedArguments {
    Command command = Command::Pack;
    PackOptions options;
    std::string error;  // non-empty: a usage error
};

// Arguments without the program name, as UTF-8 texts.
ParsedArguments parseArguments(const std::vector<std::string>& arguments);
std::string usageText();
// The environment paragraph that follows every option in --help.
std::string sourceDateEpochText();
// SOURCE_DATE_EPOCH as reproducible builds set it: decimal seconds since 1970. Unset or
// empty gives none; anything else is an error, so that a typo cannot make a build that only
// looks reproducible.
bool readSourceDateEpoch(const char* value, std::optional<int64_t>& epoch, std::string& error);
std::string versionText();

struct SourceFile {
    std::filesystem::path path;
    std::string memberName;  // UTF-8, '/'-separated, relative to the folder
    uint64_t size = 0;
};

// What goes into the payload: every regular file below the folder, sorted by member name.
// Fails with a message for an unreadable folder or a name Windows cannot hold.
bool collectFiles(const std::filesystem::path& folder, const std::filesystem::path& exclude,
                  std::vector<SourceFile>& files, std::string& error, std::vector<std::string>& warnings);

// The launcher folder ("Windows/" or "Windows_Pure_64_Bit/") must hold an .exe and a .kiv;
// warnings name what the self-extractor will pick when NAME.exe is absent.
bool checkLauncher(const std::vector<SourceFile>& files, const std::string& installerName, std::string& error,
                   std::vector<std::string>& warnings);

// Progress in bytes read of all input files.
using ProgressFunction = std::function<void(uint64_t done, uint64_t total)>;

// Writes the installer to a temporary file beside the output and renames it into place;
// nothing is left behind on failure. Returns false with a message.
bool pack(const PackOptions& options, const ProgressFunction& progress, std::string& error,
          std::vector<std::string>& warnings);

}  // namespace ruvo_pack

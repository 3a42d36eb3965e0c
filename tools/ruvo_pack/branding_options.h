#pragma once
// The options that put a product's own name, icon and version on an installer and on the
// launcher it starts. Every mode of ruvo-pack that writes an installer takes them alike.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/ruvo_pack/icon_file.h"

namespace ruvo_pack {

struct BrandingOptions {
    std::optional<std::string> name;         // UTF-8, replaces the kit's name everywhere
    std::optional<std::filesystem::path> icon;  // .ico or square PNG
    std::optional<std::string> appVersion;   // 1 to 4 numbers, each at most 65535
    std::optional<std::string> vendor;
    std::optional<std::string> copyright;
    std::optional<std::string> description;  // the installer's FileDescription

    bool any() const { return name || icon || appVersion || vendor || copyright || description; }
};

// When arguments[i] is a branding option, takes it and its value (advancing i) and returns true;
// `error` is set when the value is missing. False for any other argument.
bool takeBrandingOption(const std::vector<std::string>& arguments, size_t& i, BrandingOptions& options,
                        std::string& error);

struct BrandingProblem {
    std::string subject;  // the option ("--name") or, for the icon, the file
    std::string text;
};

// Everything wrong with the values, the icon file read and judged too; empty when they are sound.
std::vector<BrandingProblem> checkBranding(const BrandingOptions& options);

// "SUBJECT: error: TEXT", the form of the folder check's findings.
std::string formatProblem(const BrandingProblem& problem);

// The usage lines of the options.
std::string brandingUsageText();

// Strict UTF-8 to UTF-16; false for a malformed text.
bool utf16OfUtf8(const std::string& text, std::u16string& out);

// The images of the --icon file; false with the reason (without the file's name).
bool readIconOption(const std::filesystem::path& path, std::vector<IconImage>& images, std::string& error);

// Most characters of --name, --vendor, --copyright and --description.
constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxVersionTextLength = 256;

}  // namespace ruvo_pack

#include "tools/ruvo_pack/branding_options.h"

#include <fstream>
#include <iterator>

#include "tools/ruvo_pack/icon_file.h"
#include "tools/ruvo_pack/version_resource.h"

namespace ruvo_pack {
namespace {

std::filesystem::path pathOfUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8Of(const std::filesystem::path& p) {
    auto u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

// A text option's problem: empty, not UTF-8, control characters or too long; empty when sound.
std::string textProblem(const std::string& value, size_t limit, const std::string& limitWhy) {
    std::u16string text;
    if (value.empty()) return "empty";
    if (!utf16OfUtf8(value, text)) return "not valid UTF-8";
    size_t characters = 0;
    for (char16_t c : text) {
        if (c < 0x20 || c == 0x7F) return "holds a control character (such as a line break)";
        characters += (c & 0xFC00) != 0xDC00;  // a surrogate pair counts once
    }
    if (characters > limit)
        return std::to_string(characters) + " characters long; " + limitWhy + " at most " +
               std::to_string(limit);
    return {};
}

}  // namespace

bool utf16OfUtf8(const std::string& text, std::u16string& out) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || text.size() - i <= static_cast<size_t>(extra)) return false;
        uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += 1 + static_cast<size_t>(extra);
    }
    return true;
}

bool takeBrandingOption(const std::vector<std::string>& arguments, size_t& i, BrandingOptions& options,
                        std::string& error) {
    const std::string& a = arguments[i];
    std::optional<std::string>* text = a == "--name"          ? &options.name
                                       : a == "--app-version" ? &options.appVersion
                                       : a == "--vendor"      ? &options.vendor
                                       : a == "--copyright"   ? &options.copyright
                                       : a == "--description" ? &options.description
                                                              : nullptr;
    if (!text && a != "--icon") return false;
    if (i + 1 >= arguments.size()) {
        error = a + " needs a value";
        return true;
    }
    const std::string& value = arguments[++i];
    if (text)
        *text = value;
    else
        options.icon = pathOfUtf8(value);
    return true;
}

bool readIconOption(const std::filesystem::path& path, std::vector<IconImage>& images, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot be read";
        return false;
    }
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot be read";
        return false;
    }
    return readIconFile(file, images, error);
}

std::vector<BrandingProblem> checkBranding(const BrandingOptions& options) {
    std::vector<BrandingProblem> problems;
    auto text = [&](const char* option, const std::optional<std::string>& value, size_t limit, const char* why) {
        if (!value) return;
        std::string problem = textProblem(*value, limit, why);
        if (!problem.empty()) problems.push_back({option, problem});
    };
    text("--name", options.name, kMaxNameLength, "the installer dialog's caption holds");
    text("--vendor", options.vendor, kMaxVersionTextLength, "a version text here holds");
    text("--copyright", options.copyright, kMaxVersionTextLength, "a version text here holds");
    text("--description", options.description, kMaxVersionTextLength, "a version text here holds");
    if (options.appVersion) {
        VersionNumbers numbers;
        std::string error;
        if (!parseVersionNumbers(*options.appVersion, numbers, error)) problems.push_back({"--app-version", error});
    }
    if (options.icon) {
        std::vector<IconImage> images;
        std::string error;
        if (!readIconOption(*options.icon, images, error)) problems.push_back({"the icon " + utf8Of(*options.icon), error});
    }
    return problems;
}

std::string formatProblem(const BrandingProblem& problem) { return problem.subject + ": error: " + problem.text; }

std::string brandingUsageText() {
    return "Branding, all optional (the installer and the launcher it starts; without them the\n"
           "stub and the launcher are packed as they are):\n"
           "  --name TEXT         the product's name, in place of the kit's in every language's\n"
           "                      dialog and texts, and as ProductName (at most 64 characters)\n"
           "  --icon FILE         the file and dialog icon: an .ico (every image kept) or a square\n"
           "                      PNG, at most 256 pixels\n"
           "  --app-version V     FileVersion and ProductVersion, 1 to 4 numbers (such as 2.1.0)\n"
           "  --vendor TEXT       CompanyName\n"
           "  --copyright TEXT    LegalCopyright\n"
           "  --description TEXT  FileDescription (default: \"NAME Setup\" for the installer, NAME\n"
           "                      for the launcher)\n";
}

}  // namespace ruvo_pack

#include "selfextract/kiv_file.h"

#include "selfextract/system_paths.h"

namespace ruvo {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

}  // namespace

std::wstring ExtractedKivPath(const std::wstring& workingPath) {
    std::wstring folder = IsDirectory(workingPath + L"Windows\\") ? L"Windows\\" : L"Windows_Pure_64_Bit\\";
    std::wstring name = FirstMatch(workingPath + folder + L"*.kiv");
    return name.empty() ? std::wstring() : workingPath + folder + name;
}

bool KivSwitchIsSet(std::string_view bytes, std::string_view key) {
    bool set = false;
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string_view::npos) continue;
        if (Trimmed(line.substr(0, equals)) != key) continue;
        std::string_view value = Trimmed(line.substr(equals + 1));
        set = EqualsIgnoringAsciiCase(value, "true") || EqualsIgnoringAsciiCase(value, "on") ||
              EqualsIgnoringAsciiCase(value, "t");
    }
    return set;
}

}  // namespace ruvo

#include "selfextract/kiv_file.h"

#include "common/text_convert.h"
#include "selfextract/system_paths.h"

namespace ruvo {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

}  // namespace

std::wstring ExtractedKivPath(const std::wstring& workingPath) {
    std::wstring folder = IsDirectory(workingPath + L"Windows\\") ? L"Windows\\" : L"Windows_Pure_64_Bit\\";
    std::wstring name = FirstMatch(workingPath + folder + L"*.kiv");
    return name.empty() ? std::wstring() : workingPath + folder + name;
}

bool KivSwitchIsSet(std::string_view bytes, std::string_view key) {
    bool set = false;
    LineReader lines(bytes);
    for (std::string_view line; lines.Next(line);) {
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string_view::npos) continue;
        if (Trimmed(line.substr(0, equals)) != key) continue;
        std::string_view value = Trimmed(line.substr(equals + 1));
        set = velmora::equalsIgnoringAsciiCase(value, "true") || velmora::equalsIgnoringAsciiCase(value, "on") ||
              velmora::equalsIgnoringAsciiCase(value, "t");
    }
    return set;
}

}  // namespace ruvo

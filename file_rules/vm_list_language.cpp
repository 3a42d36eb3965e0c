#include "file_rules/vm_list_language.h"

namespace velmora::launcher {
namespace {

std::vector<std::wstring> splitRuns(std::wstring_view text, wchar_t separator) {
    std::vector<std::wstring> pieces;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == separator) ++i;
        size_t start = i;
        while (i < text.size() && text[i] != separator) ++i;
        if (i > start) pieces.emplace_back(text.substr(start, i - start));
    }
    return pieces;
}

}  // namespace

bool isFixedListEntry(std::wstring_view upperEntry) {
    for (const wchar_t* fixed : kFixedListEntries)
        if (upperEntry == fixed) return true;
    return false;
}

std::vector<std::wstring> splitValidList(std::wstring_view list) { return splitRuns(list, L' '); }

bool isVersionToken(std::wstring_view token) {
    for (size_t i = 0; i < token.size(); ++i) {
        wchar_t c = token[i];
        if ((c >= L'0' && c <= L'9') || c == L'*') continue;
        if (c == L'.' && i != 0 && i + 1 != token.size() && token[i - 1] != L'.') continue;
        if (c == L'+' && i + 1 == token.size()) continue;
        return false;
    }
    return true;
}

CustomEntry splitCustomEntry(std::wstring_view entry) {
    CustomEntry parts;
    for (const auto& token : splitRuns(entry, L'_')) {
        if (token == L"JRE" || token == L"JDK" || token == L"ALL") {
            parts.kind = token;
        } else if (isVersionToken(token)) {
            if (!parts.versionSpec.empty()) parts.versionSpec += L"_";
            parts.versionSpec += token;
        } else {
            parts.validatorArgument = token;
        }
    }
    return parts;
}

VersionSpecReading readVersionSpec(std::wstring_view spec) {
    VersionSpecReading reading;
    const size_t marker = spec.find_first_of(L"*+");
    reading.markerInside = marker != std::wstring_view::npos && marker + 1 != spec.size();
    const wchar_t last = spec.empty() ? L'\0' : spec.back();
    if (last != L'*' && last != L'+') {
        reading.version = parseVersionText(spec);
        return reading;
    }
    reading.version = parseVersionText(spec.substr(0, spec.size() - 1));
    if (last == L'+')
        reading.form = VersionSpecForm::AtLeast;
    else
        reading.form = reading.version.micro != 0 ? VersionSpecForm::MatchesNothing : VersionSpecForm::Prefix;
    return reading;
}

bool matchesVersionSpec(const VmVersion& v, std::wstring_view spec) {
    const VersionSpecReading reading = readVersionSpec(spec);
    const VmVersion& s = reading.version;
    switch (reading.form) {
        case VersionSpecForm::AtLeast:
            return !(v < s);
        case VersionSpecForm::Prefix:
            return v.major == s.major && (s.minor == 0 || v.minor == s.minor);
        case VersionSpecForm::MatchesNothing:
            return false;
        case VersionSpecForm::Exact:
            break;
    }
    return s.micro == 0 ? VmVersion{v.major, v.minor, 0} == s : v == s;
}

}  // namespace velmora::launcher

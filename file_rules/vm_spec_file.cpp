#include "file_rules/vm_spec_file.h"

#include <cwchar>

namespace velmora::launcher {
namespace {

enum class Section { None, Properties, RegistryHints, PathHints };

void addPropertyCheck(std::wstring line, PropertyChecks& checks) {
    if (line.size() >= 2 && line.front() == L'"' && line.back() == L'"') line = line.substr(1, line.size() - 2);
    size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) {
        checks.emplace(line, line);
        return;
    }
    checks.emplace(trimmedText(std::wstring_view(line).substr(0, eq)),
                   trimmedText(std::wstring_view(line).substr(eq + 1)));
}

void parseLine(const std::wstring& line, Section& section, VmSpec& spec) {
    if (!line.empty() && line[0] == L'#') return;
    std::wstring trimmed = trimmedText(line);
    if (trimmed.empty()) return;

    if (section != Section::None) {
        if (line.find(L"/:") != std::wstring::npos) {
            section = Section::None;
        } else if (section == Section::Properties) {
            addPropertyCheck(trimmed, spec.propertyChecks);
        } else {
            (section == Section::RegistryHints ? spec.registryHints : spec.pathHints).push_back(trimmed);
        }
        return;
    }

    if (line.find(kVmSpecSectionKeys[0]) != std::wstring::npos) {
        section = Section::Properties;
    } else if (line.find(kVmSpecSectionKeys[1]) != std::wstring::npos) {
        section = Section::RegistryHints;
    } else if (line.find(kVmSpecSectionKeys[2]) != std::wstring::npos) {
        section = Section::PathHints;
    } else {
        for (const wchar_t* key : kVmSpecValueKeys) {
            size_t at = line.find(key);
            if (at == std::wstring::npos) continue;
            spec.values[key] = trimmedText(std::wstring_view(line).substr(at + std::wcslen(key)));
            return;
        }
    }
}

}  // namespace

std::wstring trimmedText(std::wstring_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] <= L' ') ++begin;
    while (end > begin && text[end - 1] <= L' ') --end;
    return std::wstring(text.substr(begin, end - begin));
}

std::wstring VmSpec::value(const std::wstring& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::wstring() : it->second;
}

void parseVmSpecText(std::string_view bytes, VmSpec& spec) {
    spec.propertyChecks.clear();
    spec.registryHints.clear();
    spec.pathHints.clear();
    Section section = Section::None;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view raw = bytes.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        std::wstring line;
        line.reserve(raw.size());
        for (char c : raw) line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        parseLine(line, section, spec);
        start = end + 1;
    }
}

}  // namespace velmora::launcher

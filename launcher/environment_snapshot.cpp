#include "launcher/environment_snapshot.h"

#include <windows.h>

#include "common/text_convert.h"
#include "file_rules/list_split.h"
#include "file_rules/property_text.h"
#include "launcher/properties/runtime_properties_file.h"

namespace velmora::launcher {
namespace {

struct EnvironmentBlock {
    wchar_t* block = ::GetEnvironmentStringsW();
    ~EnvironmentBlock() {
        if (block) ::FreeEnvironmentStringsW(block);
    }
};

}  // namespace

EnvironmentSnapshot::EnvironmentSnapshot(const std::vector<std::wstring>& entries, Expander expand)
    : expand_(std::move(expand)) {
    for (const auto& entry : entries) {
        // Entries such as "=C:=C:\dir" have the empty name and the rest as value.
        size_t equals = entry.empty() || entry[0] == L'=' ? 0 : entry.find(L'=');
        if (equals == std::wstring::npos)
            variables_[entry] = L"";
        else
            variables_[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
}

const EnvironmentSnapshot& EnvironmentSnapshot::current() {
    static const EnvironmentSnapshot snapshot = [] {
        std::vector<std::wstring> entries;
        EnvironmentBlock env;
        for (const wchar_t* p = env.block; p && *p; p += wcslen(p) + 1) entries.emplace_back(p);
        return EnvironmentSnapshot(entries, expandEnvironmentText);
    }();
    return snapshot;
}

std::wstring EnvironmentSnapshot::getExpanded(const std::wstring& name) const {
    auto it = variables_.find(name);
    return it == variables_.end() ? std::wstring() : expand_(it->second);
}

std::vector<std::wstring> EnvironmentSnapshot::pathDirectories() const {
    for (const auto& [name, value] : variables_)
        if (asciiLower(name) == L"path") return splitList(getExpanded(name), L';');
    return {};
}

std::vector<std::wstring> EnvironmentSnapshot::environmentLines() const {
    std::vector<std::wstring> lines;
    for (const auto& [name, value] : variables_) {
        std::wstring escapedName = escapePropertyText(name);
        std::wstring escapedValue = escapePropertyText(getExpanded(name));
        lines.push_back(L"kiv.nl.env." + asciiLower(escapedName) + L"=" + escapedValue + L"\n");
        lines.push_back(L"kiv.nl.env." + asciiUpper(escapedName) + L"=" + escapedValue + L"\n");
        lines.push_back(L"kiv.nl.env.exact_case." + escapedName + L"=" + escapedValue + L"\n");
    }
    return lines;
}

std::wstring expandEnvironmentText(const std::wstring& text) {
    // Values whose expansion needs more than 2048 characters are kept as written rather
    // than cut or dropped.
    wchar_t buffer[2048];
    DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), buffer, 2048);
    if (needed == 0 || needed > 2048) return text;
    return std::wstring(buffer);
}

void writeEnvironmentLines() { appendRuntimeProperties(EnvironmentSnapshot::current().environmentLines()); }

}  // namespace velmora::launcher

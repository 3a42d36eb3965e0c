#include "launcher/vm/vm_list_search.h"

#include <algorithm>
#include <optional>

#include "common/text_convert.h"
#include "launcher/properties/property_set.h"
#include "launcher/vm/installed_vms.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm/vm_validation.h"

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

int16_t signedMajor(const VmRecord& record) { return static_cast<int16_t>(record.version.major); }

// The fixed entries; nullopt for anything else.
std::optional<bool> matchesFixedEntry(const VmRecord& r, std::wstring_view entry) {
    const int16_t major = signedMajor(r);
    if (entry == L"ALL") return true;
    if (entry == L"J1") return major <= 1 && r.kind != VmKind::MSJ;
    if (entry == L"J2") return major > 1;
    if (entry == L"JDK") return r.kind == VmKind::JDK;
    if (entry == L"JRE") return r.kind == VmKind::JRE;
    if (entry == L"JDK_J1") return r.kind == VmKind::JDK && major < 2;
    if (entry == L"JDK_J2") return r.kind == VmKind::JDK && major > 1;
    if (entry == L"JRE_J1") return r.kind == VmKind::JRE && major < 2;
    if (entry == L"JRE_J2") return r.kind == VmKind::JRE && major > 1;
    if (entry == L"MSJ") return r.kind == VmKind::MSJ;
    return std::nullopt;
}

}  // namespace

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

bool matchesVersionSpec(const VmVersion& v, std::wstring_view spec) {
    if (!spec.empty() && spec.back() == L'+') return !(v < parseVersionText(spec.substr(0, spec.size() - 1)));
    if (!spec.empty() && spec.back() == L'*') {
        VmVersion s = parseVersionText(spec.substr(0, spec.size() - 1));
        if (s.micro != 0) return false;
        if (s.minor != 0) return v.major == s.major && v.minor == s.minor;
        return v.major == s.major;
    }
    VmVersion s = parseVersionText(spec);
    if (s.micro == 0) return VmVersion{v.major, v.minor, 0} == s;
    return v == s;
}

bool matchesCustomEntry(const VmRecord& record, std::wstring_view upperEntry, const ValidatorRun& validator) {
    CustomEntry parts = splitCustomEntry(upperEntry);
    if (!parts.validatorArgument.empty() && !validator(record, parts.validatorArgument)) return false;
    if (parts.kind == L"JRE" || parts.kind == L"JDK") {
        if (!*matchesFixedEntry(record, parts.kind)) return false;
    }
    if (!parts.versionSpec.empty() && !matchesVersionSpec(record.version, parts.versionSpec)) return false;
    return true;
}

bool matchesListEntry(const VmRecord& record, std::wstring_view entry, const ValidatorRun& validator) {
    std::wstring upper = asciiUpper(entry);
    if (auto fixed = matchesFixedEntry(record, upper)) return *fixed;
    return matchesCustomEntry(record, upper, validator);
}

bool platformAdmits(int64_t platform, const VmRecord& record) {
    return record.is64Bit ? platform != 3 : platform != 2;
}

VmRecord* pickFromValidList(const std::vector<VmRecord*>& installed, const std::vector<std::wstring>& entries,
                            int64_t platform, bool preferNot64Bit, const LaunchOptions& options,
                            const ValidatorRun& validator) {
    std::vector<VmRecord*> collected;
    for (const auto& entry : entries) {
        for (VmRecord* record : installed) {
            record->launchOptions = options;
            if (!matchesListEntry(*record, entry, validator)) continue;
            if (std::find(collected.begin(), collected.end(), record) != collected.end()) continue;
            if (platformAdmits(platform, *record)) collected.push_back(record);
        }
    }
    if (collected.empty()) return nullptr;
    sortByRank(collected, preferNot64Bit);
    return collected.back();
}

int64_t platformValue(const PropertySet& appProperties) {
    return appProperties.getByteSize(L"kiv.nl.win32.java.launcher.platform", L"1");
}

std::unique_ptr<VmRecord> searchValidVmList(const PropertySet& appProperties, const LaunchOptions& options) {
    std::vector<std::wstring> entries = splitValidList(appProperties.getProperty(L"kiv.nl.valid.vm.list"));
    if (entries.empty()) return nullptr;  // nothing can match: spare the machine-wide search
    const int64_t platform = platformValue(appProperties);
    InstalledVmList& list = installedVms(platform);
    std::vector<VmRecord*> installed;
    for (auto& record : list.records) installed.push_back(record.get());
    VmRecord* best = pickFromValidList(installed, entries, platform, list.preferNot64Bit, options, runValidatorClass);
    return best ? best->clone() : nullptr;
}

}  // namespace velmora::launcher

#include "launcher/vm/vm_list_search.h"

#include <algorithm>
#include <optional>

#include "common/decimal_text.h"
#include "common/text_convert.h"
#include "file_rules/property_set.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/vm/installed_vms.h"
#include "launcher/vm/platform_rule.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm/vm_validation.h"

namespace velmora::launcher {
namespace {

int16_t signedMajor(const VmRecord& record) { return static_cast<int16_t>(record.version.major); }

// The fixed entries; nullopt for anything else.
std::optional<bool> matchesFixedEntry(const VmRecord& r, std::wstring_view entry) {
    if (!isFixedListEntry(entry)) return std::nullopt;
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

// The first condition of a fixed entry that the record fails.
std::wstring fixedEntryRefusal(const VmRecord& r, std::wstring_view entry) {
    const std::wstring kind = vmKindName(r.kind);
    const std::wstring major = L"major version " + decimalText(signedMajor(r));
    if (entry == L"J1") return r.kind == VmKind::MSJ ? std::wstring(L"the Microsoft VM is not J1") : major + L" is above 1";
    if (entry == L"J2") return major + L" is not above 1";
    if (entry.size() > 3 && kind != entry.substr(0, 3))
        return L"kind " + kind + L" is not " + std::wstring(entry.substr(0, 3));
    if (entry.size() > 3) return major + (entry.ends_with(L"J1") ? L" is not below 2" : L" is not above 1");
    return L"kind " + kind + L" is not " + std::wstring(entry);
}

}  // namespace

bool matchesCustomEntry(const VmRecord& record, std::wstring_view upperEntry, const ValidatorRun& validator,
                        std::wstring* refusal) {
    auto refuse = [refusal](std::wstring why) {
        if (refusal) *refusal = std::move(why);
        return false;
    };
    CustomEntry parts = splitCustomEntry(upperEntry);
    if (!parts.validatorArgument.empty() && !validator(record, parts.validatorArgument))
        return refuse(L"the validator class refused it (argument " + parts.validatorArgument + L")");
    if (parts.kind == L"JRE" || parts.kind == L"JDK") {
        if (!*matchesFixedEntry(record, parts.kind)) return refuse(fixedEntryRefusal(record, parts.kind));
    }
    if (!parts.versionSpec.empty() && !matchesVersionSpec(record.version, parts.versionSpec))
        return refuse(L"version " + versionText(record.version) + L" does not match " + parts.versionSpec);
    return true;
}

bool matchesListEntry(const VmRecord& record, std::wstring_view entry, const ValidatorRun& validator,
                      std::wstring* refusal) {
    std::wstring upper = asciiUpper(entry);
    if (auto fixed = matchesFixedEntry(record, upper)) {
        if (!*fixed && refusal) *refusal = fixedEntryRefusal(record, upper);
        return *fixed;
    }
    return matchesCustomEntry(record, upper, validator, refusal);
}

VmRecord* pickFromValidList(const std::vector<VmRecord*>& installed, const std::vector<std::wstring>& entries,
                            int64_t platform, bool preferNot64Bit, const LaunchOptions& options,
                            const ValidatorRun& validator, ListSearchReport* report) {
    auto note = [report](const std::wstring& entry, const VmRecord* record, bool accepted, std::wstring reason) {
        if (report) report->steps.push_back({entry, record, accepted, std::move(reason)});
    };
    std::vector<VmRecord*> collected;
    for (const auto& entry : entries) {
        for (VmRecord* record : installed) {
            record->launchOptions = options;
            std::wstring refusal;
            if (!matchesListEntry(*record, entry, validator, report ? &refusal : nullptr)) {
                note(entry, record, false, std::move(refusal));
                continue;
            }
            if (std::find(collected.begin(), collected.end(), record) != collected.end()) {
                note(entry, record, true, L"already taken by an earlier entry");
                continue;
            }
            if (platformRule(platform, PlatformSearch::List).admits(record->is64Bit)) {
                collected.push_back(record);
                note(entry, record, true, L"");
            } else {
                note(entry, record, false, platformRefusal(platform));
            }
        }
    }
    if (collected.empty()) return nullptr;
    sortByRank(collected, preferNot64Bit);
    if (report) report->ranked.assign(collected.begin(), collected.end());
    return collected.back();
}

int64_t platformValue(const PropertySet& appProperties) {
    return appProperties.getByteSize(L"kiv.nl.win32.java.launcher.platform", L"1");
}

std::unique_ptr<VmRecord> searchValidVmList(const PropertySet& appProperties, const LaunchOptions& options) {
    std::vector<std::wstring> entries = splitValidList(appProperties.getProperty(L"kiv.nl.valid.vm.list"));
    if (entries.empty()) {
        trail(L"kiv.nl.valid.vm.list is empty: the list search finds no VM");
        return nullptr;  // nothing can match: spare the machine-wide search
    }
    const int64_t platform = platformValue(appProperties);
    const bool tracing = trailEnabled();
    if (tracing) {
        std::wstring text = L"valid-VM list:";
        for (const auto& entry : entries) text += L" " + entry;
        trail(text + L"; " + platformRuleText(platform, PlatformSearch::List));
    }
    InstalledVmList& list = installedVms(platform);
    std::vector<VmRecord*> installed;
    for (auto& record : list.records) installed.push_back(record.get());
    ListSearchReport report;
    VmRecord* best = pickFromValidList(installed, entries, platform, list.preferNot64Bit, options, runValidatorClass,
                                       tracing ? &report : nullptr);
    if (tracing) {
        if (installed.empty()) trail(L"no VM is installed: the list search finds no VM");
        traceListSearch(report);
        if (!best && !installed.empty()) trail(L"no installed VM is accepted: the list search finds no VM");
    }
    return best ? best->clone() : nullptr;
}

void traceListSearch(const ListSearchReport& report) {
    for (const auto& step : report.steps)
        trail(L"entry " + step.entry + L", " + nameVm(*step.record) + (step.accepted ? L": accepted" : L": refused") +
              (step.reason.empty() ? L"" : L", " + step.reason));
    for (size_t i = 0; i < report.ranked.size(); ++i)
        trail(L"ranked " + decimalText(i + 1) + L" of " + decimalText(report.ranked.size()) +
              L" (best last): " + nameVm(*report.ranked[i]));
}

}  // namespace velmora::launcher

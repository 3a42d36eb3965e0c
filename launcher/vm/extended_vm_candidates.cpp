#include "launcher/vm/extended_vm_candidates.h"

#include <algorithm>

#include "common/text_convert.h"
#include "launcher/vm/build_options.h"

namespace velmora::launcher {
namespace {

bool containsIgnoringCase(const std::vector<std::wstring>& list, std::wstring_view text) {
    return std::any_of(list.begin(), list.end(), [&](const std::wstring& item) { return equalsIgnoringAsciiCase(item, text); });
}

bool accepts(const std::vector<std::wstring_view>& names, std::wstring_view name) {
    if (names.empty()) return true;
    return std::any_of(names.begin(), names.end(),
                       [&](std::wstring_view accepted) { return equalsIgnoringAsciiCase(accepted, name); });
}

bool isTrimmed(wchar_t c) { return c <= L' '; }

}  // namespace

const std::vector<VendorLayout>& vendorLayouts() {
    // The MSI-based installers register one key per release below the kind and the VM
    // implementation; Path holds the home with a trailing backslash. Their JavaHome value
    // is a number (a feature flag), not a folder.
    static const std::vector<std::wstring_view> kKinds{L"JDK", L"JRE"};
    static const std::vector<std::wstring_view> kAny{};
    static const std::vector<std::wstring_view> kMsi{L"MSI"};
    static const std::vector<VendorLayout> kLayouts{
        {L"SOFTWARE\\Eclipse Adoptium", {kKinds, kAny, {L"hotspot", L"openj9"}, kMsi}, L"Path"},
        {L"SOFTWARE\\AdoptOpenJDK", {kKinds, kAny, {L"hotspot", L"openj9"}, kMsi}, L"Path"},
        {L"SOFTWARE\\Eclipse Foundation", {kKinds, kAny, {L"hotspot", L"openj9"}, kMsi}, L"Path"},
        {L"SOFTWARE\\Microsoft\\JDK", {kAny, {L"hotspot"}, kMsi}, L"Path"},
        {L"SOFTWARE\\Semeru", {kKinds, kAny, {L"openj9"}, kMsi}, L"Path"},
        {L"SOFTWARE\\Azul Systems\\Zulu", {kAny}, L"InstallationPath"},
        {L"SOFTWARE\\Azul Systems\\Zulu 32-bit", {kAny}, L"InstallationPath"},
        {L"SOFTWARE\\BellSoft\\Liberica", {kAny}, L"InstallationPath"},
        {L"SOFTWARE\\SapMachine\\JDK", {kAny}, L"JavaHome"},
    };
    return kLayouts;
}

const std::vector<std::wstring_view>& vendorInstallFolders() {
    static const std::vector<std::wstring_view> kFolders{
        L"Java",     L"Eclipse Adoptium", L"AdoptOpenJDK", L"Eclipse Foundation", L"Microsoft",  L"Zulu",
        L"BellSoft", L"Amazon Corretto",  L"Semeru",       L"SapMachine",         L"SapMachine\\JDK",
    };
    return kFolders;
}

std::vector<std::wstring> vendorHomeKeys(const VendorLayout& layout, const SubkeyLister& listSubkeys) {
    std::vector<std::wstring> keys{std::wstring(layout.root)};
    for (const auto& level : layout.levels) {
        std::vector<std::wstring> next;
        for (const auto& key : keys)
            for (const auto& name : listSubkeys(key))
                if (accepts(level, name)) next.push_back(std::wstring(key).append(L"\\").append(name));
        keys = std::move(next);
    }
    return keys;
}

std::vector<std::wstring> installFolderParents(const EnvironmentLookup& environment) {
    std::vector<std::wstring> bases;
    auto addBase = [&](std::wstring base) {
        base = cleanHomeText(base);
        if (!base.empty() && !containsIgnoringCase(bases, base)) bases.push_back(std::move(base));
    };
    // A 32-bit launcher sees the 32-bit folder as ProgramFiles; ProgramW6432 names the other.
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramW6432", L"ProgramFiles(x86)"}) addBase(environment(name));
    const std::wstring localPrograms = cleanHomeText(environment(L"LOCALAPPDATA"));
    if (!localPrograms.empty()) addBase(localPrograms + L"\\Programs");

    std::vector<std::wstring> parents;
    for (const auto& base : bases)
        for (std::wstring_view folder : vendorInstallFolders()) parents.push_back(base + L"\\" + std::wstring(folder));
    const std::wstring profile = cleanHomeText(environment(L"USERPROFILE"));
    if (!profile.empty()) parents.push_back(profile + L"\\.jdks");
    return parents;
}

std::wstring cleanHomeText(std::wstring_view text) {
    while (!text.empty() && isTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && isTrimmed(text.back())) text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
    while (!text.empty() && (text.back() == L'\\' || text.back() == L'/')) text.remove_suffix(1);
    return std::wstring(text);
}

std::vector<CandidateVerdict> screenCandidates(const std::vector<ExtendedCandidate>& candidates,
                                               const std::vector<std::wstring>& classicExecutables,
                                               const ScreenWorld& world) {
    std::vector<std::wstring> classic;
    classic.reserve(classicExecutables.size());
    for (const auto& executable : classicExecutables) classic.push_back(world.finalPath(executable));
    std::vector<std::wstring> keptFinal;
    std::vector<std::wstring> keptSources;
    std::vector<CandidateVerdict> verdicts;

    for (const auto& candidate : candidates) {
        CandidateVerdict& verdict = verdicts.emplace_back();
        verdict.source = candidate.source;
        const std::wstring home = verdict.home = cleanHomeText(candidate.home);
        if (!candidate.problem.empty()) {
            verdict.reason = candidate.problem;
            continue;
        }
        if (home.empty()) {
            verdict.reason = L"the home is empty";
            continue;
        }
        verdict.executable = home + L"\\bin\\java.exe";
        if (!world.isFile(verdict.executable)) {
            verdict.reason = L"no bin\\java.exe in " + home;
            continue;
        }
        const std::wstring final = world.finalPath(verdict.executable);
        auto earlier = std::find_if(keptFinal.begin(), keptFinal.end(),
                                    [&](const std::wstring& seen) { return equalsIgnoringAsciiCase(seen, final); });
        if (earlier != keptFinal.end()) {
            verdict.reason = L"the same VM as " + keptSources[static_cast<size_t>(earlier - keptFinal.begin())];
            continue;
        }
        if (containsIgnoringCase(classic, final)) {
            verdict.reason = L"already among the installed VMs";
            continue;
        }
        verdict.kept = true;
        keptFinal.push_back(final);
        keptSources.push_back(verdict.source);
    }
    return verdicts;
}

ExtendedSearchKind extendedSearchAfter(bool buildOptionsFound, std::wstring_view buildOption,
                                       int32_t withoutVmSearchOption, bool specSearchApplies) {
    if (!buildOptionsFound) return ExtendedSearchKind::ValidList;
    // With a VM shipped in the installer the run always has a VM to try; a VM pack alone
    // and unknown options ask for no search at all.
    if (buildOption != kWithoutVm ||
        (withoutVmSearchOption != kSearchOnly && withoutVmSearchOption != kSearchThenVmPack))
        return ExtendedSearchKind::None;
    return specSearchApplies ? ExtendedSearchKind::SpecFiles : ExtendedSearchKind::ValidList;
}

bool extendedSearchSwitchedOn(std::wstring_view value) { return value != L"false"; }

}  // namespace velmora::launcher

#include "launcher/vm/vm_spec_search.h"

#include "common/decimal_text.h"
#include "file_rules/path_text.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/vm/build_options.h"
#include "launcher/vm/path_hints.h"
#include "launcher/vm/platform_rule.h"
#include "launcher/vm/registry_hints.h"
#include "launcher/vm/vm_list_search.h"
#include "launcher/vm/vm_spec_file_reader.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm/vm_selection.h"
#include "launcher/vm/vm_validation.h"

namespace velmora::launcher {
namespace {

// `source` names the hint for the trail.
void tryExecutable(const std::wstring& executable, const VmSpec& spec, const std::wstring& specDirectory,
                   const LaunchOptions& options, SpecSearchResults& results, const std::wstring& source) {
    addIfVerified(executable, spec, specDirectory, L"candidate from " + source + L": " + executable,
                  [&] { return vmFromExecutable(executable, options); }, results);
}

std::unique_ptr<VmRecord> takeFirst(std::vector<std::unique_ptr<VmRecord>>& list) {
    return list.empty() ? nullptr : std::move(list.front());
}

}  // namespace

void addIfVerified(const std::wstring& executable, const VmSpec& spec, const std::wstring& specDirectory,
                   const std::wstring& candidate, const std::function<std::unique_ptr<VmRecord>()>& make,
                   SpecSearchResults& results) {
    if (!isFile(executable)) {
        trail(candidate + L": no such file");
        return;
    }
    std::wstring failure;
    if (!runVerify(specDirectory, executable, spec.propertyChecks, trailEnabled() ? &failure : nullptr)) {
        trail(candidate + L": refused by Verify, " + failure);
        return;
    }
    trail(candidate + L": Verify passed");
    results.add(make());
}

void forEachSpecFile(const BuildOptions& build, int32_t total, const std::wstring& folder,
                     const std::function<void(const std::wstring& path, const VmSpec& spec,
                                              const std::wstring& specDirectory)>& visit) {
    VmSpec spec;
    for (int32_t n = 0; n < total; ++n) {
        const std::wstring path = L"jvmspecs\\" + build.specFileName(n);
        // The trail names the file as the build options do; it is read below `folder`.
        const std::wstring full = fullPathIn(folder, path, false);
        parseVmSpec(full, spec);
        visit(path, spec, normalisePath(parentOf(full, L".")));
    }
}

void SpecSearchResults::add(std::unique_ptr<VmRecord> record) {
    (record->is64Bit == 1 ? marked : unmarked).push_back(std::move(record));
}

std::unique_ptr<VmRecord> pickSpecSearchResult(SpecSearchResults& results, int64_t platform) {
    const PlatformRule rule = platformRule(platform, PlatformSearch::SpecFiles);
    const bool firstMark = rule.prefersMarked;
    for (bool marked : {firstMark, !firstMark}) {
        auto& list = marked ? results.marked : results.unmarked;
        if (rule.admits(marked ? 1 : 0) && !list.empty()) return takeFirst(list);
    }
    return nullptr;
}

void searchRegistryHints(const VmSpec& spec, const std::vector<std::wstring>& hints, const std::wstring& specDirectory,
                         const LaunchOptions& options, SpecSearchResults& results) {
    for (const auto& line : expandRegistryWildcards(hints)) {
        std::wstring home = readRegistryHintHome(line);
        if (home.empty()) {
            trail(L"registry hint " + line + L": no value there");
            continue;
        }
        tryExecutable(normalisePath(home + L"\\" + spec.jvmExe()), spec, specDirectory, options, results,
                      L"registry hint " + line);
    }
}

void searchPathHints(const VmSpec& spec, const std::vector<std::wstring>& hints, const std::wstring& specDirectory,
                     const LaunchOptions& options, SpecSearchResults& results) {
    for (const auto& hint : hints) {
        const int levels = pathHintLevels(hint);
        if (levels < 1) {
            for (const auto& drive : fixedDrives())
                tryExecutable(normalisePath(driveHintExecutable(drive, hint, spec.jvmExe())), spec, specDirectory,
                              options, results, L"path hint " + hint + L" on drive " + drive);
        } else {
            std::wstring location;
            if (!readSeaLocation(options.workingDirectory, location)) {
                trail(L"path hint " + hint + L": " + seaLocFilePath(options.workingDirectory) +
                      L" cannot be read, so the installer's folder is unknown");
                continue;
            }
            tryExecutable(normalisePath(installerHintExecutable(location, hint, levels, spec.jvmExe())), spec,
                          specDirectory, options, results, L"path hint " + hint + L" beside the installer");
        }
    }
}

std::unique_ptr<VmRecord> searchBySpecFiles(const RunContext& context, const LaunchOptions& options, int32_t total) {
    const BuildOptions build(context.vmSpecProperties);
    const int64_t platform = platformValue(context.appProperties);
    SpecSearchResults results;
    forEachSpecFile(build, total, context.kivDirectory, [&](const std::wstring& path, const VmSpec& spec, const std::wstring& specDirectory) {
        if (trailEnabled())
            trail(L"VM specification file " + path + L": JVM_EXE " + spec.jvmExe() + L", " +
                  decimalText(spec.propertyChecks.size()) + L" property checks, " +
                  decimalText(spec.registryHints.size()) + L" registry hints, " +
                  decimalText(spec.pathHints.size()) + L" path hints");
        searchRegistryHints(spec, spec.registryHints, specDirectory, options, results);
        searchPathHints(spec, spec.pathHints, specDirectory, options, results);
    });
    if (trailEnabled())
        trail(L"search by VM specification files: " + decimalText(results.unmarked.size()) +
              L" valid VMs not marked 64-bit, " +
              decimalText(results.marked.size()) + L" marked; " + platformRuleText(platform, PlatformSearch::SpecFiles));
    return pickSpecSearchResult(results, platform);
}

}  // namespace velmora::launcher

#include "launcher/vm/extended_vm_search.h"

#include "file_rules/path_text.h"
#include "file_rules/property_set.h"
#include "file_rules/vm_spec_file.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/file_version.h"
#include "launcher/run_context.h"
#include "launcher/vm/build_options.h"
#include "launcher/vm/extended_vm_candidates.h"
#include "launcher/vm/extended_vm_sources.h"
#include "launcher/vm/installed_vms.h"
#include "launcher/vm/pe_image.h"
#include "launcher/vm/platform_rule.h"
#include "launcher/vm/vm_list_search.h"
#include "launcher/vm/vm_probe.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm/vm_spec_search.h"
#include "launcher/vm/vm_validation.h"
#include "launcher/wow64.h"

namespace velmora::launcher {
namespace {

// Most candidates are only looked at: the company line is printed for the one chosen.
VmProbe probeQuietly(const std::wstring& executable) {
    VmProbe probe;
    probe.kind = detectKind(executable);
    probe.home = detectHome(executable);
    FileVersion resource(executable);
    probe.vendor = detectVendor(executable, resource, false);
    probe.version = detectVersion(executable, resource, probe.kind, L"Sun", probe.home);  // the major-first numbering
    return probe;
}

std::unique_ptr<VmRecord> describedVm(std::unique_ptr<VmRecord> record, const VmProbe& probe,
                                      const std::wstring& executable, const LaunchOptions& options) {
    record->version = probe.version;
    record->home = probe.home;
    record->vendor = probe.vendor;
    record->kind = probe.kind;
    record->is64Bit = isWow64() && peImageBitness(executable) == 2 ? 1 : 0;
    record->launchOptions = options;
    return record;
}

// The candidates that are worth a probe, each verdict on the trail.
std::vector<CandidateVerdict> screenedCandidates(const std::vector<std::wstring>& classicExecutables) {
    std::vector<CandidateVerdict> verdicts =
        screenCandidates(gatherExtendedCandidates(), classicExecutables, ScreenWorld{isFile, finalPathOf});
    if (trailEnabled()) {
        if (verdicts.empty()) trail(L"extended search: no JAVA_HOME, maker's registry key or install folder");
        for (const auto& verdict : verdicts)
            trail(L"extended candidate from " + verdict.source +
                  (verdict.kept ? L": " + verdict.executable : L": skipped, " + verdict.reason));
    }
    std::erase_if(verdicts, [](const CandidateVerdict& verdict) { return !verdict.kept; });
    return verdicts;
}

std::unique_ptr<VmRecord> searchValidListExtended(const PropertySet& appProperties, const LaunchOptions& options) {
    const std::vector<std::wstring> entries = splitValidList(appProperties.getProperty(L"kiv.nl.valid.vm.list"));
    if (entries.empty()) return nullptr;  // nothing can match; the list search said so
    const int64_t platform = platformValue(appProperties);
    trail(L"extended search: today's JDKs against the valid-VM list");

    // The installed list is the one the list search has just built and refused.
    std::vector<std::wstring> classicExecutables;
    for (const auto& record : installedVms(platform).records) classicExecutables.push_back(record->executablePath());
    VmList records;
    for (const auto& candidate : screenedCandidates(classicExecutables)) {
        records.push_back(probeExtendedVm(candidate.executable, options));
        if (trailEnabled()) trail(L"probed " + candidate.executable + L": " + describeVm(*records.back()));
    }
    std::vector<VmRecord*> pointers;
    for (auto& record : records) pointers.push_back(record.get());
    const bool tracing = trailEnabled();
    ListSearchReport report;
    VmRecord* best = pickFromValidList(pointers, entries, platform, prefersNot64Bit(platform), options,
                                       runValidatorClass, tracing ? &report : nullptr);
    if (tracing) {
        traceListSearch(report);
        if (!best) trail(L"extended search: no candidate is accepted");
    }
    if (!best) return nullptr;
    companyNameOf(best->executablePath());  // the chosen VM's company line, as the other searches print it
    return best->clone();
}

std::unique_ptr<VmRecord> searchSpecFilesExtended(const PropertySet& appProperties, const BuildOptions& build,
                                                  const std::wstring& folder,
                                                  const LaunchOptions& options) {
    trail(L"extended search: today's JDKs checked by Verify for each VM specification file");
    const std::vector<CandidateVerdict> candidates = screenedCandidates({});
    const int64_t platform = platformValue(appProperties);
    SpecSearchResults results;
    forEachSpecFile(build, build.specFileTotal(), folder,
                    [&](const std::wstring& path, const VmSpec& spec, const std::wstring& specDirectory) {
        for (const auto& candidate : candidates) {
            // Checked like a path hint's VM: JVM_EXE below the home, Verify, no 64-bit mark.
            const std::wstring executable = normalisePath(candidate.home + L"\\" + spec.jvmExe());
            std::wstring line = L"extended candidate from " + candidate.source;
            line.append(L" for ").append(path).append(L": ").append(executable);
            // What Verify accepts is a standard VM, as in the search by specification files.
            addIfVerified(executable, spec, specDirectory, line,
                          [&] {
                              auto record = describedVm(std::make_unique<StandardVm>(), probeQuietly(executable),
                                                        executable, options);
                              record->is64Bit = 0;
                              companyNameOf(executable);
                              return record;
                          },
                          results);
        }
    });
    if (trailEnabled()) trail(L"extended search: " + platformRuleText(platform, PlatformSearch::SpecFiles));
    return pickSpecSearchResult(results, platform);
}

}  // namespace

std::unique_ptr<VmRecord> findExtendedVm(const RunContext& context, bool buildOptionsFound,
                                         const LaunchOptions& options) {
    const PropertySet& appProperties = context.appProperties;
    const BuildOptions build(context.vmSpecProperties);
    const ExtendedSearchKind kind =
        buildOptionsFound ? extendedSearchAfter(true, build.option(), build.withoutVmSearchOption(), build.specSearchApplies())
                          : extendedSearchAfter(false, L"", 0, false);
    if (kind == ExtendedSearchKind::None) {
        trail(L"extended search: not for these build options (they ask for no search)");
        return nullptr;
    }
    if (!extendedSearchSwitchedOn(appProperties.getProperty(L"kiv.nl.vm.search.extended", L"true"))) {
        trail(L"extended search: off (kiv.nl.vm.search.extended=false)");
        return nullptr;
    }
    return kind == ExtendedSearchKind::SpecFiles ? searchSpecFilesExtended(appProperties, build, context.kivDirectory, options)
                                                 : searchValidListExtended(appProperties, options);
}

std::unique_ptr<VmRecord> probeExtendedVm(const std::wstring& executable, const LaunchOptions& options) {
    const VmProbe probe = probeQuietly(executable);
    return describedVm(recordForMajor(probe.version.major), probe, executable, options);
}

}  // namespace velmora::launcher

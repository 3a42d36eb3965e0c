#pragma once
// The search by VM specification files: every place a file names, each executable found
// validated by a Verify run, the first valid VM chosen under the platform preference.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "file_rules/vm_spec_file.h"
#include "launcher/launch_options.h"
#include "launcher/run_context.h"

namespace velmora::launcher {

class BuildOptions;
class VmRecord;

// Valid VMs in the order found, split by their 64-bit mark.
struct SpecSearchResults {
    std::vector<std::unique_ptr<VmRecord>> unmarked;
    std::vector<std::unique_ptr<VmRecord>> marked;
    void add(std::unique_ptr<VmRecord> record);
};

// Platform 0: marked first; 1: unmarked first; 2: marked only; 3: unmarked only; other: none.
// Hands the chosen record over; null when none.
std::unique_ptr<VmRecord> pickSpecSearchResult(SpecSearchResults& results, int64_t platform);

// Specification files build.jvmspec.0 to total - 1 of the run's build options, below
// "jvmspecs" in the .kiv file's folder. A file that cannot be read raises FileException.
std::unique_ptr<VmRecord> searchBySpecFiles(const RunContext& context, const LaunchOptions& options, int32_t total);

// Specification files build.jvmspec.0 to total - 1, read below "jvmspecs" in `folder`, each with the folder its Verify runs in. Single values carry over from one file to
// the next. A file that cannot be read raises FileException.
void forEachSpecFile(const BuildOptions& build, int32_t total, const std::wstring& folder,
                     const std::function<void(const std::wstring& path, const VmSpec& spec,
                                              const std::wstring& specDirectory)>& visit);

// An executable that exists and passes Verify joins the results as `make` records it; the
// trail lines about it begin with `candidate`.
void addIfVerified(const std::wstring& executable, const VmSpec& spec, const std::wstring& specDirectory,
                   const std::wstring& candidate, const std::function<std::unique_ptr<VmRecord>()>& make,
                   SpecSearchResults& results);

void searchRegistryHints(const VmSpec& spec, const std::vector<std::wstring>& hints, const std::wstring& specDirectory,
                         const LaunchOptions& options, SpecSearchResults& results);
void searchPathHints(const VmSpec& spec, const std::vector<std::wstring>& hints, const std::wstring& specDirectory,
                     const LaunchOptions& options, SpecSearchResults& results);

}  // namespace velmora::launcher

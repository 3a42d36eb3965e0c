#pragma once
// The installer build's choices in jvmspecs\jvmspecs.properties: which branch of the VM
// choice runs and whether VM specification files steer the search. The VM pack keys are
// read by the provisioning itself.
#include <cstdint>
#include <memory>
#include <string>

#include "file_rules/build_option_numbers.h"
#include "launcher/launch_options.h"

namespace velmora::launcher {

class PropertySet;
class VmRecord;

// Reads jvmspecs\jvmspecs.properties beside an .exe program into `into`; other programs
// have no build options. Sets the file's path and its folder (with a trailing backslash)
// and tells whether the file exists. Raises FileException when it exists but cannot be read.
bool loadBuildOptions(const std::wstring& programPath, PropertySet& into, std::wstring& path,
                      std::wstring& directory);

// The build.* keys with their defaults.
class BuildOptions {
public:
    explicit BuildOptions(const PropertySet& properties) : properties_(properties) {}

    std::wstring option() const;             // "withvm", "withoutvm" or anything else
    int32_t withVmSearchOption() const;      // a BuildSearchOption, kSearchThenShippedVm by default
    int32_t withoutVmSearchOption() const;   // a BuildSearchOption, kSearchOnly by default
    bool specFilesApplicable() const;        // exactly "true"
    int32_t specFileTotal() const;
    // The searches use the specification files only when they apply and there are some.
    bool specSearchApplies() const { return specFilesApplicable() && specFileTotal() > 0; }
    std::wstring specFileName(int32_t index) const;  // build.jvmspec.<index>

private:
    const PropertySet& properties_;
};

inline constexpr const wchar_t* kWithVm = L"withvm";
inline constexpr const wchar_t* kWithoutVm = L"withoutvm";

struct RunContext;
// The branches of the build options: which VM the installer's choices lead to, if any.
std::unique_ptr<VmRecord> findVmFromBuildOptions(const RunContext& context, const LaunchOptions& options);

}  // namespace velmora::launcher

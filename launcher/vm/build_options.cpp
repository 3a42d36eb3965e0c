#include "launcher/vm/build_options.h"

#include "common/decimal_text.h"
#include "file_rules/path_text.h"
#include "file_rules/property_set.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/properties/properties_file.h"
#include "launcher/provision/vm_pack_provisioning.h"
#include "launcher/run_context.h"
#include "launcher/vm/vm_list_search.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm/vm_selection.h"
#include "launcher/vm/vm_spec_search.h"

namespace velmora::launcher {
namespace {

// A pack that was provisioned names its java executable (possibly empty: the start then
// reports what is missing); a pack that was not gives no VM.
std::unique_ptr<VmRecord> provisionedVm(const RunContext& context, VmPackUrl which, const LaunchOptions& options) {
    std::optional<std::wstring> executable = ProvisionVmPack(context, which);
    if (!executable) {
        trail(L"no VM pack was provisioned");
        return nullptr;
    }
    trail(L"candidate from the VM pack: " +
          (executable->empty() ? std::wstring(L"(no java executable where expected)") : *executable));
    return vmFromExecutable(*executable, options);
}

void traceSearch(const BuildOptions& build, const wchar_t* withoutSpecFiles) {
    if (!trailEnabled()) return;
    if (build.specSearchApplies())
        trail(L"search: by " + decimalText(build.specFileTotal()) + L" VM specification files");
    else
        trail(std::wstring(L"search: ") + withoutSpecFiles +
              L" (VM specification files apply only with build.jvmspec.applicable exactly true and a total above 0)");
}

}  // namespace

bool loadBuildOptions(const std::wstring& programPath, PropertySet& into, std::wstring& path,
                      std::wstring& directory) {
    if (extensionOf(programPath) != L"exe") return false;
    const std::wstring programDirectory = parentOf(programPath, L".");
    path = programDirectory + L"\\jvmspecs\\jvmspecs.properties";
    directory = programDirectory + L"\\jvmspecs\\";
    if (!exists(path)) return false;
    loadPropertiesFile(into, path);
    return true;
}

std::wstring BuildOptions::option() const { return properties_.getProperty(L"build.option"); }

int32_t BuildOptions::withVmSearchOption() const {
    return properties_.getInteger(L"build.with.vm.search.option", L"20");
}

int32_t BuildOptions::withoutVmSearchOption() const {
    return properties_.getInteger(L"build.without.vm.search.option", L"10");
}

bool BuildOptions::specFilesApplicable() const {
    return properties_.getProperty(L"build.jvmspec.applicable") == L"true";
}

int32_t BuildOptions::specFileTotal() const { return properties_.getInteger(L"build.jvmspec.total.num", L"0"); }

std::wstring BuildOptions::specFileName(int32_t index) const {
    return properties_.getProperty(L"build.jvmspec." + decimalText(index));
}

std::unique_ptr<VmRecord> findVmFromBuildOptions(const RunContext& context, const LaunchOptions& options) {
    const BuildOptions build(context.vmSpecProperties);
    auto shippedVm = [&] {
        std::wstring executable = shippedVmExecutable(context.startDirectory);
        trail(executable.empty() ? L"shipped VM: none below " + context.startDirectory + L", the empty path is taken"
                                 : L"candidate shipped with the installer: " + executable);
        return vmFromExecutable(executable, options);
    };

    const std::wstring option = build.option();
    if (option == kWithVm) {
        const int32_t searchOption = build.withVmSearchOption();
        trail(L"build.option withvm, search option " + decimalText(searchOption));
        switch (searchOption) {
            case kSearchThenShippedVm: {
                // Without the specification files this branch asks the valid-VM list alone,
                // not kiv.nl.current.vm: the VM shipped with the installer comes next.
                traceSearch(build, L"the valid-VM list");
                auto vm = build.specSearchApplies() ? searchBySpecFiles(context, options, build.specFileTotal())
                                                    : searchValidVmList(context.appProperties, options);
                if (!vm) trail(L"the search found no VM: the shipped VM is taken");
                return vm ? std::move(vm) : shippedVm();
            }
            case kShippedVmOnly:
                return shippedVm();
            default:
                trail(L"search option " + decimalText(searchOption) + L" is neither 20 nor 21: no VM");
                return nullptr;
        }
    }
    if (option == kWithoutVm) {
        const int32_t searchOption = build.withoutVmSearchOption();
        trail(L"build.option withoutvm, search option " + decimalText(searchOption));
        if (searchOption == kVmPackOnly) return provisionedVm(context, VmPackUrl::Direct, options);
        if (searchOption != kSearchOnly && searchOption != kSearchThenVmPack) {
            trail(L"search option " + decimalText(searchOption) + L" is not 10, 11 or 12: no VM");
            return nullptr;
        }
        traceSearch(build, L"kiv.nl.current.vm, then the valid-VM list");
        auto vm = build.specSearchApplies() ? searchBySpecFiles(context, options, build.specFileTotal())
                                            : findVmFromProperties(context, options);
        if (!vm && searchOption == kSearchThenVmPack) {
            trail(L"the search found no VM: a VM pack is fetched");
            vm = provisionedVm(context, VmPackUrl::NotFound, options);
        }
        return vm;
    }
    trail(L"build.option \"" + option + L"\" is neither withvm nor withoutvm: no VM");
    return nullptr;
}

}  // namespace velmora::launcher

#include "launcher/vm/vm_selection.h"

#include <windows.h>

#include "file_rules/path_text.h"
#include "file_rules/property_text.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/properties/runtime_properties_file.h"
#include "launcher/vm/build_options.h"
#include "launcher/vm/extended_vm_search.h"
#include "launcher/vm/vm_list_search.h"
#include "launcher/vm/vm_probe.h"
#include "launcher/vm/vm_record.h"

namespace velmora::launcher {
namespace {

// A VM named after KIV_VM on the command line is taken as it is, before any build option.
std::unique_ptr<VmRecord> vmNamedOnCommandLine(const RunContext& context, const LaunchOptions& options) {
    std::wstring named = commandLineVmPath(context.commandLine.arguments);
    if (named.empty()) return nullptr;
    named = normalisePath(named);
    const bool usable = isFile(named);
    trail(L"candidate from the command line (KIV_VM): " + named + (usable ? L"" : L": not a file, ignored"));
    return usable ? vmFromExecutable(named, options) : nullptr;
}

}  // namespace

std::unique_ptr<VmRecord> chooseVm(const RunContext& context, bool buildOptionsFound, const LaunchOptions& options) {
    // 1. The VM named on the command line.
    if (auto vm = vmNamedOnCommandLine(context, options)) return vm;
    // 2. With jvmspecs.properties, its branches (specification files, the valid-VM list, the
    //    shipped VM, a VM pack, kiv.nl.current.vm); without it kiv.nl.current.vm, then the list.
    if (auto vm = buildOptionsFound ? findVmFromBuildOptions(context, options) : findVmFromProperties(context, options))
        return vm;
    // 3. Today's JDKs, only where every classic source has failed, so that a run that found a
    //    VM before finds the same one.
    return findExtendedVm(context, buildOptionsFound, options);
}

std::wstring commandLineVmPath(const std::vector<std::wstring>& arguments) {
    for (size_t i = 1; i < arguments.size(); ++i)
        if (arguments[i] == L"KIV_VM") return i + 1 < arguments.size() ? arguments[i + 1] : std::wstring();
    return {};
}

std::wstring shippedVmExecutable(const std::wstring& startDirectory) {
    for (const wchar_t* relative :
         {L"\\Windows\\resource\\jre\\bin\\java.exe", L"\\Windows\\resource\\jre\\jre\\bin\\java.exe",
          L"\\Windows_Pure_64_Bit\\resource\\jre\\bin\\java.exe",
          L"\\Windows_Pure_64_Bit\\resource\\jre\\jre\\bin\\java.exe"}) {
        std::wstring candidate = startDirectory + relative;
        if (exists(candidate)) return candidate;
    }
    return {};
}

std::unique_ptr<VmRecord> vmFromExecutable(const std::wstring& path, const LaunchOptions& options) {
    VmProbe probe = probeExecutable(path);
    auto record = std::make_unique<StandardVm>();
    record->home = probe.home;
    record->kind = probe.kind;
    record->vendor = probe.vendor;
    record->version = probe.version;
    record->launchOptions = options;
    if (trailEnabled()) trail(L"probed " + path + L": " + describeVm(*record));
    return record;
}

std::unique_ptr<VmRecord> findVmFromProperties(const RunContext& context, const LaunchOptions& options) {
    std::wstring candidate = context.appProperties.getProperty(L"kiv.nl.current.vm");
    if (!candidate.empty()) {
        if (!isAbsolute(candidate)) {
            std::wstring directory = context.kivDirectory;
            if (!directory.empty() && directory.back() != L'\\') directory += L"\\";
            candidate = directory + candidate;
        }
        // .kiv files store paths with doubled backslashes; the home is found from the
        // collapsed form.
        candidate = normalisePath(candidate);
        const bool usable = isFile(candidate);
        trail(L"candidate from kiv.nl.current.vm: " + candidate + (usable ? L"" : L": not a file, the valid-VM list decides"));
        if (usable) return vmFromExecutable(candidate, options);
    } else {
        trail(L"kiv.nl.current.vm is not set: the valid-VM list decides");
    }
    return searchValidVmList(context.appProperties, options);
}

std::wstring chosenVmLine(const std::wstring& executablePath) {
    return L"kiv.nl.current.vm=" + escapePropertyText(executablePath) + L"\n";
}

void recordChosenVm(const VmRecord& vm) { appendRuntimeProperties({chosenVmLine(vm.executablePath())}); }

}  // namespace velmora::launcher

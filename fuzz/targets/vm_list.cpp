// kiv.nl.valid.vm.list entries and version texts against a few installed VMs.
#include <memory>

#include "file_rules/property_set.h"
#include "fuzz_input.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/vm/vm_list_search.h"
#include "launcher/vm/vm_record.h"

using namespace velmora::launcher;

namespace {

class FuzzVm : public VmRecord {
public:
    std::wstring executablePath() const override { return home + L"\\bin\\java.exe"; }
    std::wstring composeCommandLine(const LaunchOptions&) const override { return executablePath(); }
    std::unique_ptr<VmRecord> clone() const override { return std::make_unique<FuzzVm>(*this); }
};

FuzzVm Vm(uint16_t major, uint16_t minor, uint16_t micro, VmKind kind, int32_t is64Bit) {
    FuzzVm vm;
    vm.version = VmVersion{major, minor, micro};
    vm.kind = kind;
    vm.is64Bit = is64Bit;
    vm.home = L"C:\\Java";
    return vm;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzVm installed[] = {Vm(1, 1, 8, VmKind::MSJ, 0), Vm(6, 0, 31, VmKind::JRE, 0),
                                       Vm(8, 0, 202, VmKind::JDK, 1), Vm(11, 0, 2, VmKind::JRE, 0),
                                       Vm(0xFFFF, 0, 0, VmKind::JDK, 0)};
    // Every entry is matched against every VM: longer lists cost time and reach nothing new.
    if (size > 1024) return 0;
    std::wstring list = fuzz::Latin1(fuzz::Bytes(data, size));
    size_t validatorRuns = 0;
    ValidatorRun validator = [&](const VmRecord&, const std::wstring& argument) {
        ++validatorRuns;
        FUZZ_CHECK(!argument.empty());
        return argument.size() % 2 == 0;
    };
    for (const auto& entry : splitValidList(list)) {
        FUZZ_CHECK(!entry.empty() && entry.find(L' ') == std::wstring::npos);
        CustomEntry parts = splitCustomEntry(entry);
        for (const auto& vm : installed) {
            (void)matchesListEntry(vm, entry, validator);
            (void)matchesVersionSpec(vm.version, parts.versionSpec);
        }
        VmVersion v = parseVersionText(entry);
        FUZZ_CHECK(parseVersionText(versionText(v)) == v || v.major == 1);
        (void)scanDecimal(entry);
    }
    // The diagnostic trail keeps each fact on one line whatever the entry holds.
    for (wchar_t c : trailLine(fuzz::Units(data, size))) FUZZ_CHECK(c >= 0x20 && c != 0x7F);

    PropertySet properties;
    properties.set(L"kiv.nl.win32.java.launcher.platform", list);
    (void)platformValue(properties);
    return 0;
}

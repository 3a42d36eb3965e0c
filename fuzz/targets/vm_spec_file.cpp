// VM specification files and the Verify program's output checked against them.
#include "file_rules/vm_spec_file.h"
#include "fuzz_input.h"
#include "launcher/vm/vm_validation.h"

using namespace velmora::launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes = fuzz::Bytes(data, size);
    VmSpec spec;
    parseVmSpecText(bytes, spec);
    for (const auto& hint : spec.registryHints) FUZZ_CHECK(!hint.empty() && hint == trimmedText(hint));
    for (const auto& hint : spec.pathHints) FUZZ_CHECK(!hint.empty() && hint == trimmedText(hint));
    for (const auto& [name, expected] : spec.propertyChecks) (void)matchPropertyValue(name, expected);
    // The same bytes as Verify output against the checks just read.
    (void)checkVerifyOutput(bytes, spec.propertyChecks);
    (void)verifyCommandLine(L"C:\\Java\\bin\\java.exe", L"C:\\jvmspecs\\Verify.jar", spec.propertyChecks);
    // A second file keeps the single values it does not set.
    VmSpec again;
    again.values = spec.values;
    parseVmSpecText(bytes.substr(bytes.size() / 2), again);
    for (const auto& [key, value] : spec.values) FUZZ_CHECK(again.values.count(key) == 1);
    return 0;
}

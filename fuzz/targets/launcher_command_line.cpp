// The launcher's reading of its raw command line.
#include "fuzz_input.h"
#include "launcher/launcher_command_line.h"

using namespace velmora::launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring raw = fuzz::Units(data, size);
    LauncherCommandLine parsed = LauncherCommandLine::parse(raw);
    size_t characters = 0;
    for (const auto& argument : parsed.arguments) characters += argument.size();
    // Rejoining puts back at most one space per split; nothing is invented.
    FUZZ_CHECK(characters <= raw.size() + parsed.arguments.size());
    FUZZ_CHECK(!parsed.serviceMode || raw.find(L"-mwkivservice") != std::wstring::npos);
    (void)silentFromArguments(parsed.arguments, false);
    return 0;
}

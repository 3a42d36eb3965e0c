// The VM pack reader's entry name cleaning and stored fields.
#include "fuzz_input.h"
#include "launcher/provision/zip_entry_rules.h"
#include "memory_files.h"

using namespace velmora::launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring name = cleanEntryName(fuzz::Units(data, size));
    if (isSafeEntryName(name)) {
        // Under the Windows path rules the name stays below the base (a name that trims away
        // to nothing names the base itself, where no file can be created).
        std::string resolved = memory_files::Resolve(L"/base/" + name);
        FUZZ_CHECK(resolved == "/base" || resolved.compare(0, 6, "/base/") == 0);
        (void)isBelowDirectory(L"C:\\base\\" + name, L"C:\\base\\");
    }
    EntryTimes times;
    applyUnixTimes(data, size, times);
    if (size >= 8) {
        uint32_t madeBy = data[0] | data[1] << 8, external = data[4] | data[5] << 8 | data[6] << 16 | (uint32_t{data[7]} << 24);
        DWORD attributes = entryAttributes(madeBy, external);
        FUZZ_CHECK((attributes & ~0x37u) == 0);
    }
    return 0;
}

// The VM pack reader's entry name cleaning, the member name rule it shares with the
// installer's engine, and the stored fields.
#include "fuzz_input.h"
#include "launcher/provision/zip_entry_rules.h"
#include "member_name_check.h"

using namespace velmora::launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring name = cleanEntryName(fuzz::Units(data, size));
    if (velmora::isSafeMemberName(name)) {
        FUZZ_CHECK(fuzz::NamesExactlyItsFile("/base", name));
        FUZZ_CHECK(isBelowDirectory(L"C:\\base\\" + name, L"C:\\base\\"));
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

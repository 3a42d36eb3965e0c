// Properties files as the launcher reads them, and the escapes of stored text.
#include "file_rules/property_set.h"
#include "file_rules/property_text.h"
#include "fuzz_input.h"

using namespace velmora::launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PropertySet set;
    parsePropertyText(fuzz::Bytes(data, size), set);
    for (const auto& [key, value] : set.entries()) {
        (void)set.getByteSize(key, L"0");
        (void)set.getInteger(key, L"0");
        (void)set.getFlag(key);
        // A stored line never ends early: no key or value brings a line break of its own.
        std::string line = encodePropertyLine(escapePropertyText(key) + L"=" + escapePropertyText(value));
        FUZZ_CHECK(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos);
    }

    // Escaping gives printable ASCII only, and reading it back gives the text with every
    // backslash doubled (the reader keeps "\\" as written).
    std::wstring text = fuzz::Units(data, size);
    std::wstring escaped = escapePropertyText(text);
    for (wchar_t c : escaped) FUZZ_CHECK(c >= 0x20 && c < 0x7F);
    std::wstring doubled;
    for (wchar_t c : text) doubled += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    FUZZ_CHECK(unescapePropertyText(escaped) == doubled);
    (void)unescapePropertyText(text);
    return 0;
}

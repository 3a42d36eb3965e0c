#include "common/member_name_rule.h"

#include "common/text_convert.h"

namespace velmora {

namespace {

// The system opens a device for these names, whatever extension follows and with spaces
// before it: "nul.txt" and "COM1 .log" are no files.
bool isDeviceName(std::wstring_view component) {
    std::wstring_view base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (equalsIgnoringAsciiCase(base, device)) return true;
    const std::wstring_view family = base.substr(0, 3);
    if (base.size() != 4 || !(equalsIgnoringAsciiCase(family, L"COM") || equalsIgnoringAsciiCase(family, L"LPT")))
        return false;
    const wchar_t digit = base[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;  // also ¹ ² ³
}

}  // namespace

bool isSafeMemberName(std::wstring_view name) {
    if (name.empty()) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of(L"/\\", start);
        const std::wstring_view component = name.substr(start, end == std::wstring_view::npos ? name.npos : end - start);
        if (component.empty()) return start > 0 && start == name.size();  // only "folder/" ends empty
        const wchar_t last = component.back();
        if (last == L'.' || last == L' ' || component.find(L':') != std::wstring_view::npos || isDeviceName(component))
            return false;
        if (end == std::wstring_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace velmora

#pragma once
// Decimal text of a number. std::to_wstring formats through the C runtime's printf, which in
// a static MinGW build links a full printf implementation into the installer stub.
#include <string>

namespace ruvo {

inline std::wstring DecimalText(long long value) {
    wchar_t digits[24];
    wchar_t* start = digits + 24;
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        *--start = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--start = L'-';
    return std::wstring(start, digits + 24);
}

}  // namespace ruvo

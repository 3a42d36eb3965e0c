#pragma once
// Integers as text. std::to_wstring and swprintf format through the runtime's printf, which a
// static MinGW build brings in whole (with its floating-point conversion): some 20 KB of each
// program for what these loops do.
#include <concepts>
#include <string>
#include <type_traits>


namespace velmora {

template <std::integral T>
std::wstring decimalText(T value) {
    using Magnitude = std::make_unsigned_t<T>;
    wchar_t digits[24];
    wchar_t* start = digits + 24;
    Magnitude magnitude = value < 0 ? Magnitude(0) - static_cast<Magnitude>(value) : static_cast<Magnitude>(value);
    do {
        *--start = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--start = L'-';
    return std::wstring(start, digits + 24);
}

// A byte as two hexadecimal digits, in lower or upper case.
inline void appendHexByte(std::wstring& text, unsigned byte, bool upper = false) {
    const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    text += digits[(byte >> 4) & 0xF];
    text += digits[byte & 0xF];
}

}  // namespace velmora

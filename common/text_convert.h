#pragma once
// UTF-16 <-> UTF-8 at the program's edges, and ASCII-only case folding.
#include <string>
#include <string_view>

namespace velmora {

std::wstring utf8ToWide(std::string_view text);
std::string wideToUtf8(std::wstring_view text);

// Only A-Z / a-z change; every other code unit stays (matches the C runtime's "C" locale).
std::wstring asciiLower(std::wstring_view text);
std::wstring asciiUpper(std::wstring_view text);
bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);
std::string asciiLower(std::string_view text);
std::string asciiUpper(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// One code unit of any width, by the same rule.
template <typename Char>
constexpr Char asciiLowerUnit(Char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}
template <typename Char>
constexpr Char asciiUpperUnit(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 'a' + 'A') : c;
}

}  // namespace velmora

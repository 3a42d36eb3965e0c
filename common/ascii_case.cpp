// ASCII case folding. It needs no system header, so the packer's Linux build uses it too.
#include "common/text_convert.h"

namespace velmora {

namespace {

// One rule for both widths: only A-Z and a-z change.
template <typename Char>
std::basic_string<Char> changedCase(std::basic_string_view<Char> text, Char from, Char to) {
    std::basic_string<Char> out(text);
    for (auto& c : out)
        if (c >= from && c < from + 26) c = static_cast<Char>(c - from + to);
    return out;
}

template <typename Char>
bool sameLetters(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLowerUnit(a[i]) != asciiLowerUnit(b[i])) return false;
    }
    return true;
}

}  // namespace

std::wstring asciiLower(std::wstring_view text) { return changedCase(text, L'A', L'a'); }
std::wstring asciiUpper(std::wstring_view text) { return changedCase(text, L'a', L'A'); }
bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) { return sameLetters(a, b); }
std::string asciiLower(std::string_view text) { return changedCase(text, 'A', 'a'); }
std::string asciiUpper(std::string_view text) { return changedCase(text, 'a', 'A'); }
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) { return sameLetters(a, b); }

}  // namespace velmora

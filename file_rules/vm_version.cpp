#include "file_rules/vm_version.h"

#include <climits>
#include <vector>

#include "common/decimal_text.h"

namespace velmora::launcher {

int32_t scanDecimal(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > INT_MAX) value = static_cast<int64_t>(INT_MAX) + 1;  // saturate instead of overflowing
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int32_t>(value);
}

VmVersion parseVersionText(std::wstring_view text) {
    std::vector<std::wstring> tokens;
    size_t i = 0;
    if (!text.empty() && (text[0] == L'.' || text[0] == L'_')) tokens.emplace_back();
    while (i < text.size()) {
        while (i < text.size() && (text[i] == L'.' || text[i] == L'_')) ++i;
        if (i >= text.size()) break;
        size_t start = i;
        while (i < text.size() && text[i] != L'.' && text[i] != L'_') ++i;
        tokens.emplace_back(text.substr(start, i - start));
    }
    if (tokens.empty() || tokens[0] != L"1") tokens.insert(tokens.begin(), L"1");
    auto field = [&](size_t index) -> uint16_t {
        return index < tokens.size() ? static_cast<uint16_t>(scanDecimal(tokens[index])) : 0;
    };
    return VmVersion{field(1), field(2), field(3)};
}

std::wstring versionText(const VmVersion& version) {
    return decimalText(version.major) + L"." + decimalText(version.minor) + L"." + decimalText(version.micro);
}

}  // namespace velmora::launcher

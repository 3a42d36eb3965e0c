#include "file_rules/property_set.h"

#include <limits>

#include "common/text_convert.h"

namespace velmora::launcher {

std::wstring PropertySet::getProperty(const std::wstring& key, const std::wstring& fallback) const {
    auto it = values_.find(key);
    return it == values_.end() ? fallback : it->second;
}

bool PropertySet::getFlag(const std::wstring& key) const {
    std::wstring v = asciiLower(getProperty(key));
    return v == L"true" || v == L"on" || v == L"t";
}

bool PropertySet::getSwitch(const std::wstring& key) const {
    std::wstring v = asciiLower(getProperty(key));
    return v == L"true" || v == L"yes" || v == L"on";
}

int64_t PropertySet::getByteSize(const std::wstring& key, const std::wstring& fallback) const {
    return parseByteSize(getProperty(key, fallback));
}

int32_t PropertySet::getInteger(const std::wstring& key, const std::wstring& fallback) const {
    return parseInteger(getProperty(key, fallback));
}

int32_t parseInteger(std::wstring_view text) {
    size_t i = 0;
    auto isSpace = [](wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); };
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    int64_t magnitude = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > limit) magnitude = limit;  // saturate, keep scanning the digits
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int64_t parseByteSize(std::wstring_view text) {
    std::wstring value = asciiLower(text);
    int64_t multiplier = 1;
    if (!value.empty() && value.back() == L'k') {
        multiplier = 1024;
        value.pop_back();
    } else if (!value.empty() && value.back() == L'm') {
        multiplier = 1048576;
        value.pop_back();
    }
    return static_cast<int64_t>(parseInteger(value)) * multiplier;
}

std::wstring substituteClassPath(std::wstring value, const std::wstring& classPathVariable) {
    static const std::wstring marker = L"$ENV_CLASSPATH$";
    size_t at = value.find(marker);
    if (at != std::wstring::npos) value.replace(at, marker.size(), classPathVariable);
    return value;
}

}  // namespace velmora::launcher

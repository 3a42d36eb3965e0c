#pragma once
// Key/value store of a properties file and its typed readers.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace velmora::launcher {

class PropertySet {
public:
    // Last writer wins; keys are case-sensitive and compared by code unit.
    void set(std::wstring key, std::wstring value) { values_[std::move(key)] = std::move(value); }
    bool contains(const std::wstring& key) const { return values_.count(key) != 0; }
    bool empty() const { return values_.empty(); }
    size_t size() const { return values_.size(); }
    const std::map<std::wstring, std::wstring>& entries() const { return values_; }

    // The stored value even when empty; the default only when the key is absent.
    std::wstring getProperty(const std::wstring& key, const std::wstring& fallback = L"") const;
    bool getFlag(const std::wstring& key) const;    // true, on, t
    bool getSwitch(const std::wstring& key) const;  // true, yes, on
    int64_t getByteSize(const std::wstring& key, const std::wstring& fallback) const;
    int32_t getInteger(const std::wstring& key, const std::wstring& fallback) const;

private:
    std::map<std::wstring, std::wstring> values_;
};

// Decimal conversion: leading white space and a sign, stops at the first non-digit,
// saturates at the 32-bit limits.
int32_t parseInteger(std::wstring_view text);

// "64m", "512K", "16777216". Computed in 64 bits so that heaps of 2 GiB and more survive.
int64_t parseByteSize(std::wstring_view text);

// Replaces the first "$ENV_CLASSPATH$" by the given (already expanded) CLASSPATH value.
std::wstring substituteClassPath(std::wstring value, const std::wstring& classPathVariable);

}  // namespace velmora::launcher

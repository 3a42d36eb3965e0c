#pragma once
// Registry hints of VM specification files: lines such as
// \HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\Java Runtime Environment\1.6*\JavaHome whose value
// names a VM home.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

// The predefined key whose name begins the line ("\HKEY_LOCAL_MACHINE..."), tested as a
// case-sensitive prefix; null when there is none.
HKEY hiveOfHint(std::wstring_view line);

struct RegistryHint {
    HKEY hive = nullptr;
    std::wstring keyPath;
    std::wstring valueName;
};
RegistryHint splitRegistryHint(std::wstring_view line);

struct WildcardHint {
    HKEY hive = nullptr;
    std::wstring parentKeyPath;  // the key whose subkeys replace the wildcard component
    std::wstring prefix;         // what a subkey name must start with
    std::wstring head;           // the line up to the wildcard component, with its backslash
    std::wstring tail;           // the line after the "*"
};
// Only the last "*" of a line is a wildcard. False when the line has none.
bool splitWildcardHint(std::wstring_view line, WildcardHint& hint);

// One line per subkey name that starts with the prefix, in the given order.
std::vector<std::wstring> expandWildcardLine(const WildcardHint& hint, const std::vector<std::wstring>& subkeyNames);

// Each line with a "*" is replaced by its expansions over the 64-bit view of the registry
// (the 32-bit view when the key is not there); a line that cannot be expanded stays.
std::vector<std::wstring> expandRegistryWildcards(const std::vector<std::wstring>& hints);

// The home a registry hint names; empty when the key or value cannot be read.
std::wstring readRegistryHintHome(const std::wstring& line);

}  // namespace velmora::launcher

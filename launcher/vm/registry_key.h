#pragma once
// One open registry key. The try* forms return what they found, for searches where a missing
// key or value is an ordinary answer; the others raise KeyException.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace velmora::launcher {

// Which call failed, for the text of the failure.
enum class RegistryCall { Open, ReadValue, ListSubkeys };

class RegistryKey {
public:
    // Tries the requested access, then enumerate-and-query access, then the key through a
    // registry connection to the local machine. The view flags of `access` stay with the
    // key for its subkeys.
    void open(HKEY hive, const std::wstring& path, REGSAM access);
    // A subkey of an open key, through the same fallbacks, in the parent's view unless
    // `access` names one.
    void open(const RegistryKey& parent, const std::wstring& name, REGSAM access);
    // The try* forms return ERROR_SUCCESS or the registry's status (ERROR_INVALID_DATATYPE
    // for a value that is not text, ERROR_INVALID_HANDLE for a key that is not open).
    LSTATUS tryOpen(HKEY hive, const std::wstring& path, REGSAM access);
    LSTATUS tryOpen(const RegistryKey& parent, const std::wstring& name, REGSAM access);
    bool isOpen() const { return key_.valid(); }
    const std::wstring& path() const { return path_; }
    HKEY handle() const { return key_.get(); }
    REGSAM view() const { return view_; }  // KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0

    // REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ as the UTF-16 text it is (up to its first NUL).
    std::wstring readString(const std::wstring& valueName) const;
    LSTATUS tryReadString(const std::wstring& valueName, std::wstring& text) const;
    // The type of a value; none when the key has no such value or it cannot be queried.
    std::optional<DWORD> valueType(const std::wstring& valueName) const;
    // Every subkey that can be read; one that cannot is left out, not the rest with it.
    std::vector<std::wstring> subkeyNames() const;
    LSTATUS trySubkeyNames(std::vector<std::wstring>& names) const;
    // What the throwing form raises for that failure of this key: "<reason> (<key path>)".
    std::wstring failureText(LSTATUS status, RegistryCall call, const std::wstring& valueName = {}) const;

private:
    LSTATUS openBelow(HKEY base, const std::wstring& relative, HKEY hive, const std::wstring& path, REGSAM access);

    UniqueRegistryKey connection_;
    UniqueRegistryKey key_;
    HKEY hive_ = nullptr;
    std::wstring path_;
    REGSAM view_ = 0;
};

// Keeps a key that has been read open until closeKeysKeptOpen(): a close is one more round trip
// to the registry, and the search reads a key per installed release before the VM can start.
void closeWhenVmStarted(RegistryKey key);
// Closes them; the launcher calls it once the VM runs. Keys kept when no VM starts close at exit.
void closeKeysKeptOpen();

// Enumerates one subkey index into `name`; the registry's status.
using SubkeyEnumerator = std::function<LSTATUS(DWORD index, std::wstring& name)>;
// The names of indexes 0 to count - 1. A failing index is skipped; the walk ends early when
// the key has lost subkeys since it was counted.
std::vector<std::wstring> collectSubkeyNames(DWORD count, const SubkeyEnumerator& enumerate);

}  // namespace velmora::launcher

#pragma once
// One open registry key. Failures raise KeyException.
#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace velmora::launcher {

class RegistryKey {
public:
    // Tries the requested access, then enumerate-and-query access, then the key through a
    // registry connection to the local machine.
    void open(HKEY hive, const std::wstring& path, REGSAM access);
    // A subkey of an open key.
    void open(const RegistryKey& parent, const std::wstring& name, REGSAM access);
    bool isOpen() const { return key_.valid(); }
    const std::wstring& path() const { return path_; }
    HKEY handle() const { return key_.get(); }

    // REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ as the UTF-16 text it is (up to its first NUL).
    std::wstring readString(const std::wstring& valueName) const;
    std::vector<std::wstring> subkeyNames() const;

private:
    [[noreturn]] void fail(const std::wstring& message) const;

    UniqueRegistryKey connection_;
    UniqueRegistryKey key_;
    std::wstring path_;
};

}  // namespace velmora::launcher

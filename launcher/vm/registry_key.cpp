#include "launcher/vm/registry_key.h"

#include "common/system_error_text.h"
#include "common/text_convert.h"
#include "launcher/launcher_errors.h"

namespace velmora::launcher {

void RegistryKey::fail(const std::wstring& message) const {
    throw KeyException(wideToUtf8(message + L" (" + path_ + L")"));
}

void RegistryKey::open(HKEY hive, const std::wstring& path, REGSAM access) {
    key_.reset();
    connection_.reset();
    path_ = path;
    LSTATUS status = ::RegOpenKeyExW(hive, path.c_str(), 0, access, key_.receive());
    if (status == ERROR_SUCCESS) return;
    // Keep the caller's view flags when falling back to plain enumerate-and-query access.
    REGSAM reduced = KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | (access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY));
    if (::RegOpenKeyExW(hive, path.c_str(), 0, reduced, key_.receive()) == ERROR_SUCCESS) return;
    if (::RegConnectRegistryW(nullptr, hive, connection_.receive()) == ERROR_SUCCESS &&
        ::RegOpenKeyExW(connection_.get(), path.c_str(), 0, access, key_.receive()) == ERROR_SUCCESS)
        return;
    key_.reset();
    fail(systemErrorText(static_cast<DWORD>(status)));
}

void RegistryKey::open(const RegistryKey& parent, const std::wstring& name, REGSAM access) {
    if (!parent.isOpen()) throw KeyException("key not open");
    key_.reset();
    connection_.reset();
    path_ = parent.path_ + L"\\" + name;
    LSTATUS status = ::RegOpenKeyExW(parent.key_.get(), name.c_str(), 0, access, key_.receive());
    if (status != ERROR_SUCCESS) {
        key_.reset();
        fail(systemErrorText(static_cast<DWORD>(status)));
    }
}

std::wstring RegistryKey::readString(const std::wstring& valueName) const {
    if (!isOpen()) fail(L"key not open");
    // Most values fit the first buffer, so one query usually does; longer ones are read whole.
    std::vector<wchar_t> buffer(257, L'\0');
    DWORD type = 0;
    DWORD bytes = 256 * sizeof(wchar_t);
    LSTATUS status = ::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
        buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');  // room for a terminator the value may lack
        bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        status = ::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    }
    // The value's name goes into the text: the trail tells which value a dropped VM lacked.
    if (status != ERROR_SUCCESS) fail(L"key query failed: " + valueName);
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) fail(L"value not a string: " + valueName);
    buffer[bytes / sizeof(wchar_t)] = L'\0';
    return std::wstring(buffer.data());
}

std::vector<std::wstring> RegistryKey::subkeyNames() const {
    if (!isOpen()) fail(L"key not open");
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        LSTATUS status = ::RegEnumKeyExW(key_.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA) continue;  // a name that does not fit is skipped, not fatal
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

}  // namespace velmora::launcher

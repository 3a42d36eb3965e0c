#include "launcher/vm/registry_key.h"

#include "common/system_error_text.h"
#include "common/text_convert.h"
#include "launcher/launcher_errors.h"

namespace velmora::launcher {

std::wstring RegistryKey::failureText(LSTATUS status, RegistryCall call, const std::wstring& valueName) const {
    std::wstring reason;
    if (call == RegistryCall::Open) reason = systemErrorText(static_cast<DWORD>(status));
    else if (!isOpen()) reason = L"key not open";
    else if (call == RegistryCall::ListSubkeys) reason = L"key query failed";
    // The value's name goes into the text: the trail tells which value a dropped VM lacked.
    else reason = (status == ERROR_INVALID_DATATYPE ? L"value not a string: " : L"key query failed: ") + valueName;
    return reason + L" (" + path_ + L")";
}

LSTATUS RegistryKey::openBelow(HKEY base, const std::wstring& relative, HKEY hive, const std::wstring& path,
                               REGSAM access) {
    key_.reset();
    connection_.reset();
    hive_ = hive;
    path_ = path;
    view_ = access & KEY_WOW64_RES;
    const LSTATUS status = ::RegOpenKeyExW(base, relative.c_str(), 0, access, key_.receive());
    // A key that is not there is not there with fewer rights or through a connection either.
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return status;
    // A key whose security grants less than KEY_READ may still be listed and read.
    if (::RegOpenKeyExW(base, relative.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view_,
                        key_.receive()) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    if (::RegConnectRegistryW(nullptr, hive, connection_.receive()) == ERROR_SUCCESS &&
        ::RegOpenKeyExW(connection_.get(), path.c_str(), 0, access, key_.receive()) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    key_.reset();
    connection_.reset();
    return status;
}

LSTATUS RegistryKey::tryOpen(HKEY hive, const std::wstring& path, REGSAM access) {
    return openBelow(hive, path, hive, path, access);
}

LSTATUS RegistryKey::tryOpen(const RegistryKey& parent, const std::wstring& name, REGSAM access) {
    if (!parent.isOpen()) return ERROR_INVALID_HANDLE;
    if ((access & KEY_WOW64_RES) == 0) access |= parent.view_;
    return openBelow(parent.key_.get(), name, parent.hive_, parent.path_ + L"\\" + name, access);
}

void RegistryKey::open(HKEY hive, const std::wstring& path, REGSAM access) {
    const LSTATUS status = tryOpen(hive, path, access);
    if (status != ERROR_SUCCESS) throw KeyException(wideToUtf8(failureText(status, RegistryCall::Open)));
}

void RegistryKey::open(const RegistryKey& parent, const std::wstring& name, REGSAM access) {
    if (!parent.isOpen()) throw KeyException("key not open");
    const LSTATUS status = tryOpen(parent, name, access);
    if (status != ERROR_SUCCESS) throw KeyException(wideToUtf8(failureText(status, RegistryCall::Open)));
}

LSTATUS RegistryKey::tryReadString(const std::wstring& valueName, std::wstring& text) const {
    if (!isOpen()) return ERROR_INVALID_HANDLE;
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
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return ERROR_INVALID_DATATYPE;
    buffer[bytes / sizeof(wchar_t)] = L'\0';
    text.assign(buffer.data());
    return ERROR_SUCCESS;
}

std::wstring RegistryKey::readString(const std::wstring& valueName) const {
    std::wstring text;
    const LSTATUS status = tryReadString(valueName, text);
    if (status != ERROR_SUCCESS)
        throw KeyException(wideToUtf8(failureText(status, RegistryCall::ReadValue, valueName)));
    return text;
}

std::optional<DWORD> RegistryKey::valueType(const std::wstring& valueName) const {
    DWORD type = 0;
    if (!isOpen() || ::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return type;
}

LSTATUS RegistryKey::trySubkeyNames(std::vector<std::wstring>& names) const {
    if (!isOpen()) return ERROR_INVALID_HANDLE;
    DWORD count = 0;
    const LSTATUS status = ::RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    names = collectSubkeyNames(count, [this](DWORD index, std::wstring& name) {
        wchar_t buffer[256];  // a key name has at most 255 characters
        DWORD length = 256;
        const LSTATUS result =
            ::RegEnumKeyExW(key_.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_SUCCESS) name.assign(buffer, length);
        return result;
    });
    return ERROR_SUCCESS;
}

std::vector<std::wstring> RegistryKey::subkeyNames() const {
    std::vector<std::wstring> names;
    const LSTATUS status = trySubkeyNames(names);
    if (status != ERROR_SUCCESS) throw KeyException(wideToUtf8(failureText(status, RegistryCall::ListSubkeys)));
    return names;
}

namespace {
std::vector<RegistryKey>& keysKeptOpen() {
    static std::vector<RegistryKey> keys;
    return keys;
}
}  // namespace

void closeWhenVmStarted(RegistryKey key) { keysKeptOpen().push_back(std::move(key)); }

void closeKeysKeptOpen() { std::vector<RegistryKey>().swap(keysKeptOpen()); }

std::vector<std::wstring> collectSubkeyNames(DWORD count, const SubkeyEnumerator& enumerate) {
    std::vector<std::wstring> names;
    for (DWORD index = 0; index < count; ++index) {
        std::wstring name;
        const LSTATUS status = enumerate(index, name);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace velmora::launcher

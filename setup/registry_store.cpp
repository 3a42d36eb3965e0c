#include "setup/registry_store.h"

#include "common/unique_handle.h"

namespace quillsetup {

bool writeKeyValues(HKEY root, const RegistryKeyValues& key) {
    velmora::UniqueRegistryKey handle;
    LSTATUS status = ::RegCreateKeyExW(root, key.path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                                       handle.receive(), nullptr);
    for (const RegistryValue& v : key.values) {
        if (status != ERROR_SUCCESS) break;
        const wchar_t* name = v.name.empty() ? nullptr : v.name.c_str();
        if (v.type == REG_DWORD)
            status = ::RegSetValueExW(handle.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.number),
                                      sizeof v.number);
        else if (v.type == REG_NONE)
            status = ::RegSetValueExW(handle.get(), name, 0, REG_NONE, nullptr, 0);
        else
            status = ::RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text.c_str()),
                                      static_cast<DWORD>((v.text.size() + 1) * sizeof(wchar_t)));
    }
    ::SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool readString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& value) {
    velmora::UniqueRegistryKey handle;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, handle.receive()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    if (::RegQueryValueExW(handle.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(handle.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    value = text;
    return true;
}

bool removeKeyTree(HKEY root, const std::wstring& path) {
    const LSTATUS status = ::RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        ::RegDeleteKeyExW(root, path.c_str(), KEY_WOW64_64KEY, 0);
        return true;
    }
    ::SetLastError(static_cast<DWORD>(status));
    return false;
}

bool removeValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    velmora::UniqueRegistryKey handle;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, handle.receive()) != ERROR_SUCCESS)
        return true;
    const LSTATUS status = ::RegDeleteValueW(handle.get(), name.empty() ? nullptr : name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

void removeKeyIfEmpty(HKEY root, const std::wstring& path) {
    velmora::UniqueRegistryKey handle;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, handle.receive()) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 0, values = 0;
    if (::RegQueryInfoKeyW(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS || subkeys || values)
        return;
    handle.reset();
    ::RegDeleteKeyExW(root, path.c_str(), KEY_WOW64_64KEY, 0);
}

}  // namespace quillsetup

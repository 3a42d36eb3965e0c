#pragma once
// Registry keys that tests create and remove, in either registry view.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace velmora::test {

// Removes a key and everything below it, in both registry views.
inline void removeKeyTree(HKEY hive, const std::wstring& path) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(hive, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) continue;
        ::RegDeleteTreeW(key, nullptr);
        ::RegCloseKey(key);
        ::RegDeleteKeyExW(hive, path.c_str(), view, 0);
    }
}

// Creates the key as needed and writes the bytes as given; false when the value could not be written.
inline bool setRegistryValue(HKEY hive, REGSAM view, const std::wstring& path, const std::wstring& name, DWORD type,
                             const void* data, DWORD size) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool written = ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return written;
}

inline bool setRegistryText(HKEY hive, REGSAM view, const std::wstring& path, const std::wstring& name,
                            const std::wstring& text) {
    return setRegistryValue(hive, view, path, name, REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

inline bool setRegistryNumber(HKEY hive, REGSAM view, const std::wstring& path, const std::wstring& name, DWORD number) {
    return setRegistryValue(hive, view, path, name, REG_DWORD, &number, sizeof number);
}

// A Java VM as its installer registers it below HKLM: JavaHome, and MicroVersion when given.
inline void registerVm(REGSAM view, const std::wstring& key, const std::wstring& home, const wchar_t* micro) {
    EXPECT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, view, key, L"JavaHome", home));
    if (micro) {
        EXPECT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, view, key, L"MicroVersion", micro));
    }
}

// The Java keys are machine-wide: tests that use them run alone and start and end without them.
class JavaRegistry : public ::testing::Test {
protected:
    void SetUp() override { removeJavaKeys(); }
    void TearDown() override { removeJavaKeys(); }
    static void removeJavaKeys() {
        for (const wchar_t* root : {L"SOFTWARE\\JavaSoft", L"SOFTWARE\\IBM"}) removeKeyTree(HKEY_LOCAL_MACHINE, root);
    }
};

}  // namespace velmora::test

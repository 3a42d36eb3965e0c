#pragma once
// What several launcher system tests share: registry keys they create and remove, and the
// diagnostic trail's lines on standard error.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "common/text_convert.h"
#include "tests/support/child_process.h"

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

// Creates the key as needed; false when the value could not be written.
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

// KIV_DEBUG for the child: absent, or the given value.
inline ChildOptions debugSwitch(std::optional<std::wstring> value, ChildOptions options = {}) {
    options.removedEnvironment.push_back(L"KIV_DEBUG");
    if (value) options.extraEnvironment.push_back(L"KIV_DEBUG=" + *value);
    return options;
}

struct SplitError {
    std::string trail;  // the "quillrun: " lines
    std::string rest;   // everything else, in order
};

inline SplitError splitTrail(const std::string& standardError) {
    SplitError split;
    size_t start = 0;
    while (start < standardError.size()) {
        size_t end = standardError.find('\n', start);
        end = end == std::string::npos ? standardError.size() : end + 1;
        std::string line = standardError.substr(start, end - start);
        (line.rfind("quillrun: ", 0) == 0 ? split.trail : split.rest) += line;
        start = end;
    }
    return split;
}

// The trail must hold this whole line.
inline ::testing::AssertionResult hasLine(const std::string& trail, const std::wstring& fact) {
    std::string line = "quillrun: " + velmora::wideToUtf8(fact) + "\n";
    if (trail.find(line) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "missing line: " << line << "in trail:\n" << trail;
}

inline size_t lineAt(const std::string& trail, const std::wstring& start) {
    return trail.find("quillrun: " + velmora::wideToUtf8(start));
}

inline std::string utf8(const std::wstring& text) { return velmora::wideToUtf8(text); }

}  // namespace velmora::test

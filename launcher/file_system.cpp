#include "launcher/file_system.h"

#include <windows.h>

#include "file_rules/path_text.h"

namespace velmora::launcher {

std::wstring longForm(const std::wstring& text) {
    if (text.find(L'~') == std::wstring::npos) return text;
    wchar_t buffer[260];
    DWORD length = ::GetLongPathNameW(text.c_str(), buffer, 260);
    if (length == 0 || length >= 260) return text;
    return std::wstring(buffer, length);
}

std::wstring normalisePath(const std::wstring& text) { return longForm(collapseSeparators(text)); }

std::wstring fullPath(const std::wstring& text, bool wantLongForm) {
    if (!text.empty() && text[0] == L'/') return text;
    wchar_t buffer[260];
    DWORD length = ::GetFullPathNameW(text.c_str(), 260, buffer, nullptr);
    if (length == 0 || length >= 260) return text;
    std::wstring result(buffer, length);
    return wantLongForm ? longForm(result) : result;
}

std::wstring fullPathIn(const std::wstring& folder, const std::wstring& text, bool wantLongForm) {
    if (folder.empty() || isAbsolute(text) || (!text.empty() && text[0] == L'/')) return fullPath(text, wantLongForm);
    return fullPath(folder.back() == L'\\' ? folder + text : folder + L"\\" + text, wantLongForm);
}

std::wstring temporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length > 0 && length <= MAX_PATH && isDirectory(folder)) return std::wstring(folder, length);
    const wchar_t* fallback = L"C:\\Temp";
    if (!isDirectory(fallback) && !::CreateDirectoryW(fallback, nullptr) && !isDirectory(fallback)) return {};
    return std::wstring(fallback) + L"\\";
}

}  // namespace velmora::launcher

#include "launcher/vm/path_hints.h"

#include <windows.h>

#include <algorithm>

#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "file_rules/path_text.h"
#include "launcher/launcher_errors.h"

namespace velmora::launcher {

int pathHintLevels(std::wstring_view hint) {
    return static_cast<int>(std::count(hint.begin(), hint.end(), L'.') / 2);
}

std::wstring driveHintExecutable(std::wstring_view drive, std::wstring_view hint, std::wstring_view jvmExe) {
    return std::wstring(drive) + L"\\" + std::wstring(hint) + L"\\" + std::wstring(jvmExe);
}

std::wstring seaLocation(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::wstring text = utf8ToWide(bytes);
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

std::wstring cutComponents(std::wstring location, int count) {
    for (int i = 0; i < count; ++i) {
        size_t slash = location.rfind(L'\\');
        if (slash == std::wstring::npos) break;
        location.resize(slash);
    }
    return location;
}

std::wstring installerHintExecutable(const std::wstring& location, std::wstring_view hint, int levels,
                                     std::wstring_view jvmExe) {
    size_t slash = hint.rfind(L'\\');
    std::wstring_view last = slash == std::wstring_view::npos ? hint : hint.substr(slash + 1);
    return cutComponents(location, levels + 1) + L"\\" + std::wstring(last) + L"\\" + std::wstring(jvmExe);
}

std::wstring seaLocFilePath(const std::wstring& workingDirectory) {
    return parentOf(workingDirectory, L".") + L"\\sea_loc";
}

bool readSeaLocation(const std::wstring& workingDirectory, std::wstring& location) {
    std::wstring path = seaLocFilePath(workingDirectory);
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    location = seaLocation(bytes);
    return true;
}

std::vector<std::wstring> fixedDrives() {
    DWORD mask = ::GetLogicalDrives();
    if (mask == 0) throw TerminalError(kNoLogicalDrivesText);
    std::vector<std::wstring> drives;
    for (int bit = 0; bit < 26; ++bit) {
        if (!(mask & (1u << bit))) continue;
        std::wstring drive{static_cast<wchar_t>(L'A' + bit), L':'};
        // The root needs its backslash: "C:" alone would name the drive's current directory.
        if (::GetDriveTypeW((drive + L"\\").c_str()) == DRIVE_FIXED) drives.push_back(drive);
    }
    return drives;
}

}  // namespace velmora::launcher

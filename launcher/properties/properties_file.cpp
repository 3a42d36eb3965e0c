#include "launcher/properties/properties_file.h"

#include <windows.h>

#include "common/unique_handle.h"
#include "file_rules/property_text.h"
#include "launcher/launcher_errors.h"

namespace velmora::launcher {

std::string readFileBytes(const std::wstring& path, const std::wstring& openFailure) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FileException(path, openFailure, ::GetLastError());

    std::string bytes;
    char buffer[8192];
    DWORD got = 0;
    while (true) {
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            throw FileException(path, L"could not open file for read", ::GetLastError());
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    return bytes;
}

void loadPropertiesFile(PropertySet& set, const std::wstring& path) {
    parsePropertyText(readFileBytes(path, L"windows could not open the file specified"), set);
}

void appendPropertyLines(const std::wstring& path, const std::vector<std::wstring>& lines) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FileException(path, L"windows could not open the file specified", ::GetLastError());

    std::string bytes;
    for (const auto& line : lines) bytes += encodePropertyLine(line);
    DWORD written = 0;
    if (!bytes.empty() &&
        (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size()))
        throw FileException(path, L"could not write to the file", ::GetLastError());
}

}  // namespace velmora::launcher

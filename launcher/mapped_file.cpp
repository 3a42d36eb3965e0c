#include "launcher/mapped_file.h"

#include <windows.h>
#include <psapi.h>

#include <cwchar>
#include <string_view>

#include "common/text_convert.h"

namespace velmora::launcher {

MappedFile::MappedFile(const std::wstring& path, uint64_t bytes) {
    file_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file_) return;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_.get(), &size)) return;
    size_ = static_cast<uint64_t>(size.QuadPart);
    empty_ = size_ == 0;
    if (empty_) return;  // the system maps no empty file
    mapping_.reset(::CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping_) return;
    view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(bytes)));
}

std::wstring MappedFile::drivePath() const {
    if (!mapped()) return {};
    wchar_t deviceName[260];
    const DWORD length =
        ::GetMappedFileNameW(::GetCurrentProcess(), const_cast<void*>(view_.get()), deviceName, 260);
    if (length == 0) return {};
    const std::wstring mappedName(deviceName, length);

    wchar_t drives[511];
    const DWORD drivesLength = ::GetLogicalDriveStringsW(511, drives);
    if (drivesLength == 0 || drivesLength >= 511) return {};
    for (const wchar_t* drive = drives; *drive; drive += std::wcslen(drive) + 1) {
        const std::wstring letter(drive, 2);  // "C:"
        wchar_t device[260];
        if (!::QueryDosDeviceW(letter.c_str(), device, 260)) continue;
        const std::wstring prefix(device);
        if (mappedName.size() > prefix.size() && mappedName[prefix.size()] == L'\\' &&
            equalsIgnoringAsciiCase(std::wstring_view(mappedName).substr(0, prefix.size()), prefix))
            return letter + mappedName.substr(prefix.size());
    }
    return {};
}

FinalPath resolveFinalPath(const std::wstring& path) {
    const MappedFile file(path, 1);
    if (file.emptyFile()) return {path, FinalPathStatus::EmptyFile};
    std::wstring resolved = file.drivePath();
    if (resolved.empty()) return {path, FinalPathStatus::Unresolved};
    return {resolved, FinalPathStatus::Resolved};
}

}  // namespace velmora::launcher

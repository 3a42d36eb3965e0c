#include "launcher/properties/runtime_properties_file.h"

#include <windows.h>
#include <ntsecapi.h>

#include "common/unique_handle.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/launcher_errors.h"
#include "launcher/properties/properties_file.h"
#include "launcher/properties/scratch_file_rules.h"

namespace velmora::launcher {
namespace {

uint64_t fileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Whether the file starts with the launcher's own scratch lines; unreadable files are not.
bool holdsOwnScratchLines(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[kSweepReadBytes];
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return false;
    return isOwnScratchText(std::string_view(buffer, got), size.QuadPart == static_cast<LONGLONG>(got));
}

}  // namespace

void sweepOldScratchFiles(const std::wstring& folder) {
    std::wstring directory = folder;
    if (!directory.empty() && directory.back() != L'\\') directory += L'\\';
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(::FindFirstFileExW((directory + L"kiv*.tmp").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return;
    FILETIME nowTime{};
    ::GetSystemTimeAsFileTime(&nowTime);
    const uint64_t now = fileTimeValue(nowTime);
    unsigned names = 0, opened = 0, removed = 0;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) continue;
        if (!olderThanDays(fileTimeValue(found.ftLastWriteTime), now, kScratchKeepDays)) continue;
        ++opened;
        const std::wstring path = directory + found.cFileName;
        if (holdsOwnScratchLines(path) && ::DeleteFileW(path.c_str())) ++removed;  // best effort: one in use stays
    } while (++names < kSweepMaxNames && opened < kSweepMaxOpened && ::FindNextFileW(find.get(), &found));
    if (removed > 0)
        trail(L"scratch files of earlier runs, unwritten for " + std::to_wstring(kScratchKeepDays) + L" days, removed from " +
              directory + L": " + std::to_wstring(removed));
}

std::wstring systemUniqueName(const std::wstring& folder) {
    wchar_t name[MAX_PATH] = {};
    return ::GetTempFileNameW(folder.c_str(), L"kiv", 0, name) != 0 ? std::wstring(name) : std::wstring();
}

std::wstring createScratchFile(const std::wstring& folder, const UniqueNameCall& uniqueName) {
    // The system's unique name first. Wine hands out a name that exists once all are used
    // instead of failing, so a name is only taken when its file is new, that is empty.
    std::wstring name = uniqueName(folder);
    if (!name.empty()) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeHigh == 0 &&
            data.nFileSizeLow == 0)
            return name;
    }
    std::wstring directory = folder;
    if (!directory.empty() && directory.back() != L'\\') directory += L'\\';
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 4 && error == ERROR_FILE_EXISTS; ++attempt) {
        unsigned char random[16] = {};
        if (!RtlGenRandom(random, sizeof random)) {
            error = ::GetLastError();
            break;
        }
        std::wstring path = directory + guidScratchName(random);
        UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
        if (file) return path;
        error = ::GetLastError();
    }
    throw FileException(directory, L"could not create the scratch properties file in this folder", error);
}

const std::wstring& runtimePropertiesPath() {
    static const std::wstring path = [] {
        wchar_t folder[246] = {};
        DWORD length = ::GetTempPathW(246, folder);
        if (length == 0 || length >= 246) {
            DWORD error = length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
            throw FileException(L"", L"the temporary folder cannot hold the scratch properties file", error);
        }
        sweepOldScratchFiles(folder);
        return createScratchFile(folder, systemUniqueName);
    }();
    return path;
}

void appendRuntimeProperties(const std::vector<std::wstring>& lines) {
    appendPropertyLines(runtimePropertiesPath(), lines);
}

}  // namespace velmora::launcher

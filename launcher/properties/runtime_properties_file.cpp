#include "launcher/properties/runtime_properties_file.h"

#include <windows.h>
#include <ntsecapi.h>

#include "common/decimal_text.h"
#include "common/java_argument_file.h"
#include "common/unique_handle.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/launcher_errors.h"
#include "launcher/properties/properties_file.h"
#include "launcher/properties/scratch_file_rules.h"

namespace velmora::launcher {
namespace {

uint64_t fileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Removes the file when it holds the launcher's own scratch lines and nobody has it open. The
// open shares nothing, so it fails while a running launcher marks the file (or its Java program
// holds it); and as the file is deleted through this handle, nobody can open it in between.
// Argument files go the same way, known by their first line.
bool removeIfAbandoned(const std::wstring& path, bool argumentFile) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[kSweepReadBytes];
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return false;
    const std::string_view head(buffer, got);
    if (argumentFile ? !isOwnArgumentFileText(head) : !isOwnScratchText(head, size.QuadPart == static_cast<LONGLONG>(got)))
        return false;
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// This run's mark on its scratch file, held until the launcher ends. It asks for reading only
// because the system judges sharing on handles that may read, write or delete; it never reads.
// It shares all three, so the Java program may still read, write and delete the file.
UniqueFileHandle& liveMark() {
    static UniqueFileHandle mark;
    return mark;
}

bool scratchCreated = false;

}  // namespace

void sweepOldScratchFiles(const std::wstring& folder) {
    std::wstring directory = folder;
    if (!directory.empty() && directory.back() != L'\\') directory += L'\\';
    FILETIME nowTime{};
    ::GetSystemTimeAsFileTime(&nowTime);
    const uint64_t now = fileTimeValue(nowTime);
    unsigned names = 0, opened = 0, removed = 0;
    for (const bool argumentFiles : {false, true}) {
        WIN32_FIND_DATAW found{};
        UniqueFindHandle find(::FindFirstFileExW((directory + (argumentFiles ? L"kiv*.args" : L"kiv*.tmp")).c_str(),
                                                 FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                                 FIND_FIRST_EX_LARGE_FETCH));
        if (!find) continue;
        do {
            if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) continue;
            if (!olderThanDays(fileTimeValue(found.ftLastWriteTime), now, kScratchKeepDays)) continue;
            ++opened;
            const std::wstring path = directory + found.cFileName;
            if (removeIfAbandoned(path, argumentFiles)) ++removed;  // best effort: one in use stays
        } while (++names < kSweepMaxNames && opened < kSweepMaxOpened && ::FindNextFileW(find.get(), &found));
    }
    if (removed > 0)
        trail(L"scratch files of earlier runs, unwritten for " + decimalText(kScratchKeepDays) + L" days, removed from " +
              directory + L": " + decimalText(removed));
}

namespace {

// Whether the folder's last sweep is a day old (or its stamp is missing or dated ahead); the
// stamp then takes the present time, so that runs starting now leave the sweep to this one.
bool sweepDue(const std::wstring& folder) {
    const std::wstring stamp = folder + kSweepStampName;
    FILETIME nowTime{};
    ::GetSystemTimeAsFileTime(&nowTime);
    const uint64_t now = fileTimeValue(nowTime);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(stamp.c_str(), GetFileExInfoStandard, &data)) {
        const uint64_t last = fileTimeValue(data.ftLastWriteTime);
        if (last <= now && !olderThanDays(last, now, 1)) return false;
    }
    UniqueFileHandle file(::CreateFileW(stamp.c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) ::SetFileTime(file.get(), nullptr, nullptr, &nowTime);
    return true;
}

}  // namespace

void sweepScratchFolder() {
    const std::wstring folder = temporaryFolder();
    if (!folder.empty() && sweepDue(folder)) sweepOldScratchFiles(folder);
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
        // The system's unique names need room for 14 more characters within MAX_PATH.
        const std::wstring folder = temporaryFolder();
        if (folder.empty() || folder.size() >= 246)
            throw FileException(folder, L"the temporary folder cannot hold the scratch properties file",
                                folder.empty() ? ERROR_PATH_NOT_FOUND : ERROR_BUFFER_OVERFLOW);
        std::wstring created = createScratchFile(folder, systemUniqueName);
        liveMark().reset(::CreateFileW(created.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        scratchCreated = true;
        return created;
    }();
    return path;
}

namespace {

UniqueFileHandle& argumentFileMark() {
    static UniqueFileHandle mark;
    return mark;
}

}  // namespace

const std::wstring& argumentFilePath() {
    static const std::wstring path = argumentFileNameFor(runtimePropertiesPath());
    return path;
}

void writeArgumentFile(const std::vector<std::wstring>& arguments) {
    const std::wstring& path = argumentFilePath();
    // The VM reads the file in the system's code page, as it reads its command line.
    const std::wstring text = argumentFileText(arguments);
    std::string bytes(kArgumentFileMark);
    if (!text.empty()) {
        const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        const size_t start = bytes.size();
        bytes.resize(start + static_cast<size_t>(size > 0 ? size : 0));
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data() + start, size, nullptr, nullptr);
    }
    UniqueFileHandle& mark = argumentFileMark();
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FileException(path, L"could not create the argument file for the Java VM", ::GetLastError());
    if (::GetLastError() == ERROR_ALREADY_EXISTS && !mark) {
        char head[kArgumentFileMark.size()];
        DWORD got = 0;
        if (!::ReadFile(file.get(), head, sizeof head, &got, nullptr) || !isOwnArgumentFileText(std::string_view(head, got)))
            throw FileException(path, L"a file that is not the launcher's has the argument file's name", ERROR_FILE_EXISTS);
    }
    DWORD written = 0;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.get()) ||
        !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written != bytes.size())
        throw FileException(path, L"could not write the argument file for the Java VM", ::GetLastError());
    // Marked like the scratch file while the launcher runs, and for the same reasons by a
    // handle that only reads and shares everything.
    if (!mark)
        mark.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void removeRuntimePropertiesFile() {
    if (!scratchCreated) return;
    const std::wstring& path = runtimePropertiesPath();
    liveMark().reset();
    if (::DeleteFileW(path.c_str()))
        trail(L"scratch file removed: " + path);
    else
        trail(L"scratch file " + path + L" not removed: Windows error " + decimalText(static_cast<int32_t>(::GetLastError())));
    // The argument file, when one was written, goes with it.
    UniqueFileHandle& mark = argumentFileMark();
    if (!mark) return;
    mark.reset();
    ::DeleteFileW(argumentFilePath().c_str());
}

void appendRuntimeProperties(const std::vector<std::wstring>& lines) {
    appendPropertyLines(runtimePropertiesPath(), lines);
}

}  // namespace velmora::launcher

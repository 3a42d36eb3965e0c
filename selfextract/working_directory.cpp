#include "selfextract/working_directory.h"

#include <ctime>

#include "common/decimal_text.h"
#include "common/system_library.h"
#include "common/unique_handle.h"
#include "selfextract/log_line.h"
#include "selfextract/system_paths.h"

namespace ruvo {

std::wstring FirstWorkingDirectoryName(long secondsSince1970) {
    return L"I" + velmora::decimalText(secondsSince1970);
}

std::wstring RandomWorkingDirectoryName(std::mt19937& generator) {
    std::uniform_int_distribution<int> digits(10000000, 99999999);
    return L"I" + velmora::decimalText(digits(generator));
}

std::mt19937 SeededGenerator() {
    // The system's random source (RtlGenRandom), as the runtime's rand_s reaches it, without the
    // runtime's wrapper and its error handling in the stub.
    using GenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);
    unsigned int seed = 0;
    velmora::UniqueModule advapi = velmora::LoadSystemLibrary(L"advapi32.dll");
    auto genRandom = advapi ? velmora::SystemEntry<GenRandomFn>(advapi.get(), "SystemFunction036") : nullptr;
    if (!genRandom || !genRandom(&seed, sizeof seed)) seed = ::GetTickCount() ^ ::GetCurrentProcessId();
    return std::mt19937(seed);
}

std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
    return folder + L"\\" + name;
}

uint64_t RequiredBytes(uint64_t compressedSize) { return 3 * compressedSize; }
bool HasRoomFor(uint64_t compressedSize, uint64_t freeBytes) { return RequiredBytes(compressedSize) <= freeBytes; }

bool IsOldWindows(DWORD majorVersion, DWORD platformId, DWORD buildNumber) {
    if (majorVersion <= 3) return true;
    if (platformId == VER_PLATFORM_WIN32_NT) return false;
    return !(platformId == VER_PLATFORM_WIN32_WINDOWS && (buildNumber & 0xFFFF) > 1000);
}

namespace {

bool OldFreeDiskSpace(const std::wstring& directory, uint64_t& freeBytes) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!::GetDiskFreeSpaceW(directory.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return false;
    freeBytes = uint64_t{freeClusters} * sectorsPerCluster * bytesPerSector;
    LogLine("Free disk space: %I64u Kilobytes", freeBytes / 1024);
    return true;
}

}  // namespace

bool GetFreeDiskSpace(const std::wstring& directory, uint64_t& freeBytes) {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(&version);
#pragma GCC diagnostic pop
    LogLine("Checking free disk space");
    if (IsOldWindows(version.dwMajorVersion, version.dwPlatformId, version.dwBuildNumber)) {
        LogLine("Old version of Windows detected (win95a): GetDiskFreeSpace()");
        return OldFreeDiskSpace(directory, freeBytes);
    }
    velmora::UniqueModule kernel = velmora::LoadSystemLibrary(L"\\KERNEL32.dll");
    if (!kernel) return false;
    using FreeSpaceEx = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    auto freeSpaceEx = velmora::SystemEntry<FreeSpaceEx>(kernel.get(), "GetDiskFreeSpaceExW");
    if (!freeSpaceEx) {
        LogLine("New version of Windows detected, but can't load latest functions: forced to use old GetDiskFreeSpace()");
        return OldFreeDiskSpace(directory, freeBytes);
    }
    LogLine("New version of Windows detected: GetDiskFreeSpaceEx()");
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!freeSpaceEx(directory.c_str(), &available, &total, &totalFree)) return false;
    freeBytes = totalFree.QuadPart;
    LogLine("Free disk space: %I64u Kilobytes", freeBytes / 1024);
    return true;
}

namespace {

std::wstring FullPathOf(const std::wstring& name) {
    DWORD needed = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    DWORD length = ::GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    full.resize(length < needed ? length : 0);
    return full;
}

}  // namespace

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    if (committed_) return;
    Leave();
    if (fullPath_.empty()) return;
    if (discardContents_) RemoveTree(fullPath_, true);
    else ::RemoveDirectoryW(fullPath_.c_str());
}

bool ScopedWorkingDirectory::Create(const std::wstring& base) {
    // On the stack rather than static: a static generator's 2.5 KB state would be stored in
    // the stub's file.
    std::mt19937 generator = SeededGenerator();
    std::wstring name = FirstWorkingDirectoryName(static_cast<long>(std::time(nullptr)));
    for (int attempt = 1; attempt <= kWorkingDirectoryAttempts; ++attempt) {
        std::wstring path = PathInFolder(base, name);
        if (::CreateDirectoryW(path.c_str(), nullptr)) {
            fullPath_ = FullPathOf(path);
            workingPath_ = fullPath_ + L"\\";
            return !fullPath_.empty();
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
        name = RandomWorkingDirectoryName(generator);
    }
    return false;
}

bool ScopedWorkingDirectory::Enter() {
    entered_ = ::SetCurrentDirectoryW(fullPath_.c_str()) != 0;
    return entered_;
}

void ScopedWorkingDirectory::Leave() {
    if (entered_) ::SetCurrentDirectoryW(returnDirectory_.c_str());
    entered_ = false;
}

bool RemoveTree(const std::wstring& path, bool clearReadOnly, std::vector<std::wstring>* left) {
    auto failed = [left](const std::wstring& entry) {
        if (left) left->push_back(entry);
        return false;
    };
    WIN32_FIND_DATAW data;
    velmora::UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (!find) return failed(path);
    bool ok = true;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring full = path + L"\\" + name;
        if (clearReadOnly && (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesW(full.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        // A link to a folder is removed itself; what it points to is not ours.
        bool isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink) {
            if (!RemoveTree(full, clearReadOnly, left)) ok = false;
        } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!::RemoveDirectoryW(full.c_str())) ok = failed(full);
        } else if (!::DeleteFileW(full.c_str())) {
            ok = failed(full);
        }
    } while (::FindNextFileW(find.get(), &data));
    find.reset();
    if (!ok) return false;
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return ::RemoveDirectoryW(path.c_str()) != 0 || failed(path);
}

void CleanUpAfterRun(const std::wstring& workingDirectory) {
    constexpr int kAttempts = 20;
    constexpr DWORD kPauseMs = 250;
    constexpr size_t kLinesShown = 20;
    LogLine("Removing the working directory: %s", workingDirectory.c_str());
    // The directory cannot go while it is current.
    ::SetCurrentDirectoryW(PathInFolder(workingDirectory, L"..").c_str());
    std::vector<std::wstring> left;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        left.clear();
        if (!FileExists(workingDirectory) || RemoveTree(workingDirectory, true, &left)) {
            LogLine("The working directory has been removed.");
            return;
        }
        if (attempt < kAttempts) ::Sleep(kPauseMs);
    }
    for (size_t i = 0; i < left.size() && i < kLinesShown; ++i) LogLine("*** Unable to remove %s", left[i].c_str());
    if (left.size() > kLinesShown)
        LogLine("*** ... and %ld more", static_cast<long>(left.size() - kLinesShown));
}

}  // namespace ruvo

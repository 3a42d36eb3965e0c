#pragma once
// The working directory's names, the free-space rule and the removal of a directory tree.
#include <windows.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ruvo {

// "I" + seconds since 1970 ("I1700000000").
std::wstring FirstWorkingDirectoryName(long secondsSince1970);
// "I" + a number from 10000000 to 99999999.
std::wstring RandomWorkingDirectoryName(std::mt19937& generator);
// A generator seeded from the system's cryptographic random source.
std::mt19937 SeededGenerator();
// `name` inside `folder`, with one separator between them.
std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name);
// Attempts at creating a working directory whose name exists already, the first included.
inline constexpr int kWorkingDirectoryAttempts = 6;

// The free-space rule: room for three times the compressed size.
bool HasRoomFor(uint64_t compressedSize, uint64_t freeBytes);
uint64_t RequiredBytes(uint64_t compressedSize);

// Versions before which GetDiskFreeSpaceExA may not exist (Windows 95 before OSR2).
bool IsOldWindows(DWORD majorVersion, DWORD platformId, DWORD buildNumber);
// Free bytes of the volume that holds `directory` (the caller's quota aside). Asked for the
// folder itself, not the drive's root, so that a folder on a mounted volume counts that volume.
bool GetFreeDiskSpace(const std::wstring& directory, uint64_t& freeBytes);

// The working directory of one extraction attempt. It is made current only for the launch.
// Until it is committed (the launcher runs), leaving its scope makes the return directory
// current again when it was entered and removes the directory while it is still empty;
// extracted files stay for the user to look at. After a failed extraction the partial files
// are of no use to anyone and go with the whole tree.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(std::wstring returnDirectory) : returnDirectory_(std::move(returnDirectory)) {}
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;
    ~ScopedWorkingDirectory();

    // Creates "I<time>" inside `base`, or "I<random>" while names exist.
    bool Create(const std::wstring& base);
    // Makes the working directory current, for the program started in it.
    bool Enter();
    // Makes the return directory current again, when the working directory was entered.
    void Leave();
    void Commit() { committed_ = true; }
    void DiscardContents() { discardContents_ = true; }

    const std::wstring& returnDirectory() const { return returnDirectory_; }
    const std::wstring& fullPath() const { return fullPath_; }
    // The full path with a trailing backslash: the folder every extracted path starts with.
    const std::wstring& workingPath() const { return workingPath_; }

private:
    std::wstring returnDirectory_;
    std::wstring fullPath_;
    std::wstring workingPath_;
    bool committed_ = false;
    bool discardContents_ = false;
    bool entered_ = false;
};

// Deletes the folder and everything below it; with clearReadOnly, read-only entries too.
// Goes on after a failure and reports whether everything went; `left`, when given, receives
// what could not be removed.
bool RemoveTree(const std::wstring& path, bool clearReadOnly, std::vector<std::wstring>* left = nullptr);

// The working directory once the launcher has ended: files that a program it started still
// holds get a few seconds to be let go; what stays is logged.
void CleanUpAfterRun(const std::wstring& workingDirectory);

}  // namespace ruvo

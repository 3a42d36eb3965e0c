#pragma once
// The working directory's names, the free-space rule and the removal of a directory tree.
#include <windows.h>

#include <cstdint>
#include <random>
#include <string>

namespace ruvo {

// "I" + seconds since 1970 ("I1700000000").
std::wstring FirstWorkingDirectoryName(long secondsSince1970);
// "I" + a number from 10000000 to 99999999.
std::wstring RandomWorkingDirectoryName(std::mt19937& generator);
// A generator seeded from the system's cryptographic random source.
std::mt19937 SeededGenerator();
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

// Deletes the folder and everything below it; with clearReadOnly, read-only entries too.
// Goes on after a failure and reports whether everything went.
bool RemoveTree(const std::wstring& path, bool clearReadOnly);

}  // namespace ruvo

#pragma once
// An in-memory file system behind the portable io.h and windows.h file calls, so that the
// archive engine can be fuzzed without touching the disk.
//
// Paths use '\' or '/' and are resolved against the working folder "/out"; "." and ".."
// components are resolved, and trailing dots and spaces are trimmed from the last
// component, as the Windows path rules do. Reading works anywhere; creating, writing,
// renaming or deleting anything outside "/out" aborts the process (a name that trims away to
// nothing names "/out" itself and fails like any folder would),
// so that the fuzzer reports an archive that could write outside its extraction folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace memory_files {

inline constexpr const char* kWorkingFolder = "/out";
// Writes fail with ENOSPC beyond this many bytes in all files together.
inline constexpr size_t kCapacity = 32u << 20;

// Forgets every file and descriptor; only the working folder remains.
void Reset();
// Adds a read-only file at an absolute path (its folders need not exist).
void AddFile(const std::string& path, std::vector<unsigned char> bytes);
size_t FileCount();
size_t StoredBytes();
size_t OpenDescriptors();

// The resolved absolute path, or "" when it climbs above the root.
std::string Resolve(const std::wstring& path);

}  // namespace memory_files

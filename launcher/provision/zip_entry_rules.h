#pragma once
// What the zip reader decides from an entry's stored fields, apart from any file access:
// the name it is written under, whether the path stays below the base, its attributes and
// the Unix times of its "UT" extra block. Which cleaned names are safe is common/'s rule.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::launcher {

// Drops drive prefixes, leading separators and everything up to an inner "\..\"-style
// sequence, repeating until none of these applies.
std::wstring cleanEntryName(std::wstring name);

// Whether `path` lies strictly below `directory` (both full paths; letter case ignored).
bool isBelowDirectory(std::wstring_view path, std::wstring_view directory);

// Read-only, hidden, system, directory and archive flags from the version-made-by field
// and the external attributes.
DWORD entryAttributes(uint32_t versionMadeBy, uint32_t externalAttributes);

struct EntryTimes {
    FILETIME creation{};
    FILETIME access{};
    FILETIME modification{};
};

// 100-nanosecond intervals since 1601 for seconds since 1970.
FILETIME fileTimeOfUnixTime(int64_t seconds);

// Replaces the times that the first "UT" block of a local extra field carries. Blocks
// that run past the field's end are ignored.
void applyUnixTimes(const unsigned char* extra, size_t size, EntryTimes& times);

}  // namespace velmora::launcher

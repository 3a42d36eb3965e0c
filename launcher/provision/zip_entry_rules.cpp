#include "launcher/provision/zip_entry_rules.h"

#include "common/byte_order.h"
#include "common/text_convert.h"

namespace velmora::launcher {

std::wstring cleanEntryName(std::wstring name) {
    for (;;) {
        if (name.size() >= 2 && name[1] == L':') {
            name.erase(0, 2);
            continue;
        }
        if (!name.empty() && (name[0] == L'\\' || name[0] == L'/')) {
            name.erase(0, 1);
            continue;
        }
        bool cut = false;
        for (const wchar_t* pattern : {L"\\..\\", L"\\../", L"/../", L"/..\\"}) {
            size_t at = name.find(pattern);
            if (at != std::wstring::npos) {
                name.erase(0, at + 4);
                cut = true;
                break;
            }
        }
        if (!cut) return name;
    }
}

bool isBelowDirectory(std::wstring_view path, std::wstring_view directory) {
    while (!directory.empty() && (directory.back() == L'\\' || directory.back() == L'/')) directory.remove_suffix(1);
    if (directory.empty() || path.size() <= directory.size() + 1) return false;
    if (path[directory.size()] != L'\\') return false;
    return equalsIgnoringAsciiCase(path.substr(0, directory.size()), directory);
}

DWORD entryAttributes(uint32_t versionMadeBy, uint32_t externalAttributes) {
    const uint32_t host = versionMadeBy >> 8;
    if (versionMadeBy < 0x0F00 && (host == 0 || host == 7 || host == 11 || host == 14))
        return externalAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!(externalAttributes & 0x00800000u)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (externalAttributes & 0x40000000u) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    return attributes;
}

FILETIME fileTimeOfUnixTime(int64_t seconds) {
    const uint64_t ticks = static_cast<uint64_t>(seconds * 10000000 + 116444736000000000LL);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

void applyUnixTimes(const unsigned char* extra, size_t size, EntryTimes& times) {
    size_t position = 0;
    while (position + 4 <= size) {
        const size_t length = readLe16(extra + position + 2);
        const size_t data = position + 4;
        if (data + length > size) return;
        if (extra[position] == 'U' && extra[position + 1] == 'T') {
            if (length < 1) return;
            const unsigned flags = extra[data];
            size_t at = data + 1;
            FILETIME* targets[] = {&times.modification, &times.access, &times.creation};
            for (unsigned bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit))) continue;
                if (at + 4 > data + length) return;
                const auto seconds = static_cast<int32_t>(readLe32(extra + at));
                *targets[bit] = fileTimeOfUnixTime(seconds);
                at += 4;
            }
            return;
        }
        position = data + length;
    }
}

}  // namespace velmora::launcher

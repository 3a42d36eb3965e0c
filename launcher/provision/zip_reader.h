#pragma once
// Reads a ZIP archive through minizip and writes its entries below a base directory.
// Every operation returns 0 or one of the result codes below.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora::launcher {

enum ZipResult : uint32_t {
    kZipOk = 0,
    kZipCannotCreateFile = 0x200,
    kZipWriteFailed = 0x400,
    kZipEntryHeaderUnreadable = 0x700,
    kZipLocalHeaderUnreadable = 0x800,
    kZipNeedsPassword = 0x1000,
    kZipBadArgument = 0x10000,
    kZipUnsafeName = 0x20000,  // a name that would leave the base directory
    kZipDecompressionFailed = 0x5000000,
};

struct ZipEntryRecord {
    int index = 0;  // for index -1: the number of entries
    std::wstring name;
    DWORD attributes = 0;
    FILETIME accessTime{};
    FILETIME creationTime{};
    FILETIME modificationTime{};
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
};

class ZipReader;
struct ZipReaderDeleter {
    void operator()(ZipReader* reader) const noexcept;
};
using ZipReaderHandle = std::unique_ptr<ZipReader, ZipReaderDeleter>;

// An archive whose entries are written below `base` ('\' appended when missing). Null when
// there is no base, or the archive cannot be opened or its directory cannot be walked.
ZipReaderHandle ZipReaderOpen(const std::wstring& path, const std::wstring& base);
// Index -1 puts the number of entries into record.index.
uint32_t ZipReaderEntry(ZipReader* reader, int index, ZipEntryRecord& record);
// Writes entry `index` as base + name.
uint32_t ZipReaderExtract(ZipReader* reader, int index, const std::wstring& name);
uint32_t ZipReaderClose(ZipReaderHandle& reader);

// Creates every missing directory of `path`, level by level.
bool createDirectoryPath(const std::wstring& path);

}  // namespace velmora::launcher

#include "launcher/provision/zip_reader.h"

// unzip.h first: iowin32.h relies on the macros it brings.
#include <minizip/unzip.h>
#include <minizip/iowin32.h>

#include "common/member_name_rule.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "launcher/file_system.h"
#include "launcher/provision/zip_entry_rules.h"

namespace velmora::launcher {

class ZipReader {
public:
    ZipReader() = default;
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    unzFile archive = nullptr;
    std::vector<unz64_file_pos> positions;  // one per entry, so that an index is reached at once
    std::wstring base;

    ~ZipReader() {
        if (archive) unzClose(archive);
    }
};

void ZipReaderDeleter::operator()(ZipReader* reader) const noexcept { delete reader; }

namespace {

constexpr size_t kChunk = 16384;
constexpr size_t kMaxNameLength = 260;

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring withBackslashes(std::wstring text) {
    for (auto& c : text)
        if (c == L'/') c = L'\\';
    return text;
}

// Reads the current entry's central header (name included) after moving to `index`.
uint32_t goToEntry(ZipReader& reader, int index, unz_file_info64& info, std::string* name) {
    if (unzGoToFilePos64(reader.archive, &reader.positions[static_cast<size_t>(index)]) != UNZ_OK)
        return kZipEntryHeaderUnreadable;
    std::vector<char> buffer(65536 + 1, '\0');
    if (unzGetCurrentFileInfo64(reader.archive, &info, buffer.data(), 65536, nullptr, 0, nullptr, 0) != UNZ_OK)
        return kZipEntryHeaderUnreadable;
    if (name) name->assign(buffer.data(), info.size_filename < 65536 ? info.size_filename : 65536);
    return kZipOk;
}

bool validIndex(const ZipReader* reader, int index) {
    return reader && index >= 0 && static_cast<size_t>(index) < reader->positions.size();
}

// The target's full path, or empty when it would not lie below the base.
std::wstring targetBelowBase(const ZipReader& reader, const std::wstring& name) {
    const std::wstring target = fullPath(withBackslashes(reader.base + name), false);
    const std::wstring base = fullPath(withBackslashes(reader.base), false);
    return isBelowDirectory(target, base) ? target : std::wstring();
}

// Creates the missing directories of `relative` (a path below the base), level by level.
bool createBelowBase(const std::wstring& base, const std::wstring& relative) {
    for (size_t i = 0; i <= relative.size(); ++i) {
        if (i < relative.size() && !isSeparator(relative[i])) continue;
        if (i == 0 || isSeparator(relative[i - 1])) continue;
        const std::wstring directory = withBackslashes(base + relative.substr(0, i));
        if (!isDirectory(directory) && !::CreateDirectoryW(directory.c_str(), nullptr) && !isDirectory(directory))
            return false;
    }
    return true;
}

uint32_t writeCurrentEntry(ZipReader& reader, const std::wstring& target, const ZipEntryRecord& record) {
    DWORD attributes = record.attributes;
    if (unzOpenCurrentFile(reader.archive) != UNZ_OK) return kZipDecompressionFailed;
    attributes &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    UniqueFileHandle file(
        ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    if (!file && ::GetLastError() == ERROR_ACCESS_DENIED && !isDirectory(target)) {
        // A read-only, hidden or system file from an earlier unpacking is replaced.
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        file.reset(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    }
    if (!file) {
        unzCloseCurrentFile(reader.archive);
        return kZipCannotCreateFile;
    }
    uint32_t result = kZipOk;
    std::vector<char> chunk(kChunk);
    for (;;) {
        const int got = unzReadCurrentFile(reader.archive, chunk.data(), static_cast<unsigned>(kChunk));
        if (got < 0) {
            result = kZipDecompressionFailed;
            break;
        }
        if (got == 0) break;
        DWORD written = 0;
        if (!::WriteFile(file.get(), chunk.data(), static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got)) {
            result = kZipWriteFailed;
            break;
        }
    }
    const int closed = unzCloseCurrentFile(reader.archive);
    if (result == kZipOk && closed == UNZ_CRCERROR) result = kZipDecompressionFailed;
    if (result != kZipOk) {
        // Damaged contents are not left behind under the entry's name.
        file.reset();
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(target.c_str());
        return result;
    }
    ::SetFileTime(file.get(), &record.creationTime, &record.accessTime, &record.modificationTime);
    return kZipOk;
}

}  // namespace

ZipReaderHandle ZipReaderOpen(const std::wstring& path, const std::wstring& base) {
    if (base.empty()) return nullptr;
    zlib_filefunc64_def io;
    fill_win32_filefunc64W(&io);
    unzFile archive = unzOpen2_64(path.c_str(), &io);
    if (!archive) return nullptr;
    ZipReaderHandle reader(new ZipReader);
    reader->archive = archive;
    reader->base = isSeparator(base.back()) ? base : base + L"\\";
    int status = unzGoToFirstFile(archive);
    while (status == UNZ_OK) {
        unz64_file_pos position{};
        if (unzGetFilePos64(archive, &position) != UNZ_OK) break;
        reader->positions.push_back(position);
        status = unzGoToNextFile(archive);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) return nullptr;
    return reader;
}

uint32_t ZipReaderEntry(ZipReader* reader, int index, ZipEntryRecord& record) {
    if (reader && index == -1) {
        record.index = static_cast<int>(reader->positions.size());
        return kZipOk;
    }
    if (!validIndex(reader, index)) return kZipBadArgument;

    unz_file_info64 info{};
    std::string storedName;
    if (uint32_t result = goToEntry(*reader, index, info, &storedName)) return result;
    std::wstring name = utf8ToWide(storedName);
    // A longer name cannot be kept whole; cutting it would write a different file.
    if (name.size() > kMaxNameLength) return kZipEntryHeaderUnreadable;

    record = ZipEntryRecord{};
    record.index = index;
    record.name = cleanEntryName(std::move(name));
    record.attributes = entryAttributes(info.version, info.external_fa);
    record.compressedSize = info.compressed_size;
    record.uncompressedSize = info.uncompressed_size;

    EntryTimes times;
    FILETIME local{};
    if (::DosDateTimeToFileTime(HIWORD(info.dosDate), LOWORD(info.dosDate), &local))
        ::LocalFileTimeToFileTime(&local, &times.modification);
    times.creation = times.access = times.modification;

    if (unzOpenCurrentFile(reader->archive) != UNZ_OK) return kZipLocalHeaderUnreadable;
    const int extraSize = unzGetLocalExtrafield(reader->archive, nullptr, 0);
    if (extraSize > 0) {
        std::vector<unsigned char> extra(static_cast<size_t>(extraSize));
        if (unzGetLocalExtrafield(reader->archive, extra.data(), static_cast<unsigned>(extraSize)) != extraSize) {
            unzCloseCurrentFile(reader->archive);
            return kZipLocalHeaderUnreadable;
        }
        applyUnixTimes(extra.data(), extra.size(), times);
    }
    unzCloseCurrentFile(reader->archive);

    record.creationTime = times.creation;
    record.accessTime = times.access;
    record.modificationTime = times.modification;
    return kZipOk;
}

uint32_t ZipReaderExtract(ZipReader* reader, int index, const std::wstring& name) {
    if (!validIndex(reader, index)) return kZipBadArgument;
    ZipEntryRecord record;
    if (uint32_t result = ZipReaderEntry(reader, index, record)) return result;

    // Nothing is ever written outside the base directory.
    if (!isSafeMemberName(name)) return kZipUnsafeName;
    const std::wstring target = targetBelowBase(*reader, name);
    if (target.empty()) return kZipUnsafeName;

    if ((record.attributes & FILE_ATTRIBUTE_DIRECTORY) || isSeparator(name.back()))
        return createBelowBase(reader->base, name) ? kZipOk : kZipCannotCreateFile;

    unz_file_info64 info{};
    if (uint32_t result = goToEntry(*reader, index, info, nullptr)) return result;
    if (info.flag & 1) return kZipNeedsPassword;
    const size_t lastSeparator = name.find_last_of(L"\\/");
    if (lastSeparator != std::wstring::npos && !createBelowBase(reader->base, name.substr(0, lastSeparator)))
        return kZipCannotCreateFile;

    return writeCurrentEntry(*reader, target, record);
}

uint32_t ZipReaderClose(ZipReaderHandle& reader) {
    if (!reader) return kZipBadArgument;
    reader.reset();
    return kZipOk;
}

bool createDirectoryPath(const std::wstring& path) {
    std::wstring full = withBackslashes(path);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    if (full.empty()) return false;
    for (size_t i = 1; i <= full.size(); ++i) {
        if (i < full.size() && full[i] != L'\\') continue;
        if (full[i - 1] == L'\\' || full[i - 1] == L':') continue;
        const std::wstring level = full.substr(0, i);
        if (!isDirectory(level)) ::CreateDirectoryW(level.c_str(), nullptr);
    }
    return isDirectory(full);
}

}  // namespace velmora::launcher

// The zip reader, MD5 and two-stage unpacking against archives written by the test.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/text_convert.h"
#include "launcher/provision/file_md5.h"
#include "launcher/provision/vm_pack_provisioning.h"
#include "launcher/provision/zip_reader.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_writer.h"

using namespace velmora;
using namespace velmora::launcher;
using namespace velmora::test;

namespace {

// Extracts every entry the way the pack unpacking does; the results in entry order.
std::vector<uint32_t> extractEverything(const std::wstring& archive, const std::wstring& base) {
    ZipReaderHandle reader = ZipReaderOpen(archive, base);
    EXPECT_TRUE(reader);
    if (!reader) return {};
    ZipEntryRecord record;
    EXPECT_EQ(ZipReaderEntry(reader.get(), -1, record), 0u);
    const int count = record.index;
    std::vector<uint32_t> results;
    for (int i = 0; i < count; ++i) {
        ZipReaderEntry(reader.get(), i, record);
        results.push_back(ZipReaderExtract(reader.get(), i, record.name));
    }
    EXPECT_EQ(ZipReaderClose(reader), 0u);
    return results;
}

uint64_t ticks(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

}  // namespace

TEST(ZipReader, HostileNamesStayBelowTheBase) {
    TempFolder folder;
    folder.makeFolder(L"base");
    const std::wstring archive = folder.write(
        L"hostile.zip", zipArchive({{.name = "C:\\tools\\x.txt", .data = "drive"},
                                    {.name = "/a/b", .data = "rooted"},
                                    {.name = "fred\\..\\x", .data = "climb"},
                                    {.name = "..\\evil1", .data = "evil"},
                                    {.name = "a/../../evil2", .data = "evil"},
                                    {.name = "ok/.. /evil3", .data = "evil"},
                                    {.name = "deep/er/f.txt", .data = std::string(100000, 'z'), .method = 8}}));
    const std::vector<uint32_t> results = extractEverything(archive, folder / L"base");
    EXPECT_EQ(results, (std::vector<uint32_t>{0, 0, 0, kZipUnsafeName, kZipUnsafeName, kZipUnsafeName, 0}));
    EXPECT_EQ(folder.read(L"base\\tools\\x.txt"), "drive");
    EXPECT_EQ(folder.read(L"base\\a\\b"), "rooted");
    EXPECT_EQ(folder.read(L"base\\x"), "climb");
    EXPECT_EQ(folder.read(L"base\\deep\\er\\f.txt"), std::string(100000, 'z'));
    for (const wchar_t* outside : {L"evil1", L"evil2", L"evil3", L"base\\evil3", L"..\\evil1", L"..\\evil2"})
        EXPECT_FALSE(fileExists(folder / outside)) << outside;
}

TEST(ZipReader, RecordsAttributesTimesAndUtf8Names) {
    TempFolder folder;
    const uint32_t mtime = 1500000000, atime = 1500000100, ctime = 1500000200;
    const std::wstring archive = folder.write(
        L"a.zip", zipArchive({{.name = "read-only.txt", .data = "r", .versionMadeBy = 0x0314,
                               .externalAttributes = 0444u << 16,
                               .localExtra = unixTimesExtra(7, {mtime, atime, ctime})},
                              {.name = "hidden.txt", .data = "h", .externalAttributes = 0x22, .dosTime = (12 << 11)},
                              {.name = "dir/", .versionMadeBy = 0x0314, .externalAttributes = (040755u << 16) | 0x10},
                              {.name = "caf\xc3\xa9\\\xe6\x97\xa5.txt", .data = "utf8"}}));
    ZipReaderHandle reader = ZipReaderOpen(archive, folder / L"out");  // no trailing separator
    ASSERT_TRUE(reader);
    ZipEntryRecord record;
    ASSERT_EQ(ZipReaderEntry(reader.get(), -1, record), 0u);
    EXPECT_EQ(record.index, 4);

    ASSERT_EQ(ZipReaderEntry(reader.get(), 0, record), 0u);
    EXPECT_EQ(record.attributes, DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(ticks(record.modificationTime), uint64_t(mtime) * 10000000 + 116444736000000000ULL);
    EXPECT_EQ(ticks(record.accessTime), uint64_t(atime) * 10000000 + 116444736000000000ULL);
    EXPECT_EQ(ticks(record.creationTime), uint64_t(ctime) * 10000000 + 116444736000000000ULL);
    EXPECT_EQ(record.uncompressedSize, 1u);

    // Without "UT" the DOS time counts as local time, for all three.
    ASSERT_EQ(ZipReaderEntry(reader.get(), 1, record), 0u);
    EXPECT_EQ(record.attributes, DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    FILETIME local{}, utc{};
    ::DosDateTimeToFileTime((40 << 9) | (1 << 5) | 1, 12 << 11, &local);
    ::LocalFileTimeToFileTime(&local, &utc);
    EXPECT_EQ(ticks(record.modificationTime), ticks(utc));
    EXPECT_EQ(ticks(record.accessTime), ticks(utc));

    ASSERT_EQ(ZipReaderEntry(reader.get(), 3, record), 0u);
    EXPECT_EQ(record.name, L"caf\u00e9\\\u65e5.txt");

    EXPECT_EQ(ZipReaderEntry(reader.get(), 4, record), kZipBadArgument);
    EXPECT_EQ(ZipReaderEntry(reader.get(), -2, record), kZipBadArgument);
    EXPECT_EQ(ZipReaderExtract(nullptr, 0, L"x"), kZipBadArgument);

    // Extracted: attributes and times land on the files; the directory entry makes a folder.
    ::CreateDirectoryW((folder / L"out").c_str(), nullptr);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(ZipReaderEntry(reader.get(), i, record), 0u);
        EXPECT_EQ(ZipReaderExtract(reader.get(), i, record.name), 0u) << i;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW((folder / L"out\\read-only.txt").c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ticks(data.ftLastWriteTime), uint64_t(mtime) * 10000000 + 116444736000000000ULL);
    EXPECT_TRUE(::GetFileAttributesW((folder / L"out\\dir").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(folder.read(L"out\\caf\u00e9\\\u65e5.txt"), "utf8");

    // A second unpacking replaces the read-only file.
    ASSERT_EQ(ZipReaderEntry(reader.get(), 0, record), 0u);
    EXPECT_EQ(ZipReaderExtract(reader.get(), 0, record.name), 0u);
    ::SetFileAttributesW((folder / L"out\\read-only.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    ::SetFileAttributesW((folder / L"out\\hidden.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ZipReader, DamagedOrLockedEntriesFail) {
    TempFolder folder;
    const std::wstring archive = folder.write(
        L"bad.zip", zipArchive({{.name = "crc.bin", .data = std::string(40000, 'c'), .method = 8, .damageCrc = true},
                                {.name = "locked.bin", .data = "secret", .flags = 1},
                                {.name = "good.bin", .data = "fine"}}));
    EXPECT_EQ(extractEverything(archive, folder.path()),
              (std::vector<uint32_t>{kZipDecompressionFailed, kZipNeedsPassword, 0}));
    EXPECT_FALSE(fileExists(folder / L"crc.bin"));  // no damaged file under the entry's name
    EXPECT_FALSE(fileExists(folder / L"locked.bin"));

    EXPECT_FALSE(ZipReaderOpen(folder / L"missing.zip", folder.path()));
    EXPECT_FALSE(ZipReaderOpen(folder.write(L"not.zip", "plain text, no archive"), folder.path()));
    EXPECT_FALSE(ZipReaderOpen(archive, L""));  // no base: nothing would say where the files go
}

TEST(FileMd5, MatchesKnownDigestsAndFailsOnMissingFile) {
    TempFolder folder;
    EXPECT_EQ(ComputeFileMd5(folder.write(L"abc.txt", "abc"), true), L"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(ComputeFileMd5(folder.write(L"empty.txt", ""), true), L"d41d8cd98f00b204e9800998ecf8427e");
    // More than one 1024-byte block.
    EXPECT_EQ(ComputeFileMd5(folder.write(L"big.txt", std::string(3000, 'a')), true),
              L"6ca003d00c9bb4569a4a27d751db7a89");
    EXPECT_EQ(ComputeFileMd5(folder / L"missing.txt", true), L"");
}

TEST(VmPackExtraction, TwoStagesThenTheIntermediaryGoes) {
    TempFolder folder;
    const std::wstring pack = folder.write(
        L"specs\\jre.vm", vmPack({{.name = "bin/", .externalAttributes = 0x10},
                                  {.name = "bin/java.exe", .data = "MZ", .method = 8},
                                  {.name = "lib/rt.jar", .data = std::string(70000, 'j'), .method = 8}}));
    ASSERT_TRUE(ExtractVmPack(pack, folder.makeFolder(L"jre")));
    EXPECT_EQ(folder.read(L"jre\\bin\\java.exe"), "MZ");
    EXPECT_EQ(folder.read(L"jre\\lib\\rt.jar"), std::string(70000, 'j'));
    EXPECT_FALSE(fileExists(folder / L"specs\\downloadIntermediary"));
    EXPECT_TRUE(fileExists(pack));  // deleting the download is the caller's part
}

TEST(VmPackExtraction, FailuresKeepWhatExplainsThem) {
    TempFolder folder;
    // No vm.zip: the outer contents stay in the intermediate directory.
    const std::wstring noInner = folder.write(L"a\\p.vm", zipArchive({{.name = "vm.properties", .data = "x=1\n"}}));
    EXPECT_FALSE(ExtractVmPack(noInner, folder.makeFolder(L"a\\jre")));
    EXPECT_EQ(folder.read(L"a\\downloadIntermediary\\vm.properties"), "x=1\n");

    // A refused name in vm.zip fails the unpacking; the rest is written, nothing lands outside.
    const std::wstring hostile = folder.write(
        L"b\\p.vm", vmPack({{.name = "bin/java.exe", .data = "MZ"}, {.name = "..\\escaped.txt", .data = "no"}}));
    EXPECT_FALSE(ExtractVmPack(hostile, folder.makeFolder(L"b\\jre")));
    EXPECT_EQ(folder.read(L"b\\jre\\bin\\java.exe"), "MZ");
    EXPECT_FALSE(fileExists(folder / L"escaped.txt"));
    EXPECT_FALSE(fileExists(folder / L"b\\escaped.txt"));

    // A pack that is no archive at all.
    EXPECT_FALSE(ExtractVmPack(folder.write(L"c\\p.vm", "<html>not found</html>"), folder.makeFolder(L"c\\jre")));
}

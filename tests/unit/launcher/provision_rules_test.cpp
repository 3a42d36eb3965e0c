// The decisions of VM pack provisioning that need no file or network: entry names,
// attributes and times, progress marks, URL schemes, MD5 text and the pack's paths.
#include <gtest/gtest.h>

#include "common/member_name_rule.h"
#include "file_rules/property_set.h"
#include "launcher/provision/file_md5.h"
#include "launcher/provision/vm_pack_download.h"
#include "launcher/provision/vm_pack_provisioning.h"
#include "launcher/provision/zip_entry_rules.h"

using namespace velmora::launcher;

TEST(EntryNames, CleaningDropsDrivesLeadingSeparatorsAndClimbs) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\tools\\x.txt", L"tools\\x.txt"},
        {L"/a/b", L"a/b"},
        {L"fred\\..\\x", L"x"},
        {L"bin\\java.exe", L"bin\\java.exe"},
        {L"a/b/../c", L"c"},                 // everything before the climb goes with it
        {L"\\\\server\\share\\f", L"server\\share\\f"},
        {L"x:\\y:\\z", L"z"},                // rules repeat until none applies
        {L"a\\../b/..\\c", L"c"},
        {L"..\\evil", L"..\\evil"},          // no rule applies: refused later
        {L"a/../../evil", L"../evil"},
        {L"C:/../x", L"../x"},
    };
    for (const auto& [stored, cleaned] : cases) EXPECT_EQ(cleanEntryName(stored), cleaned) << stored;
}

// The one rule that the VM pack reader and the installer's engine apply to member names.
TEST(EntryNames, NamesThatWouldWriteElsewhereAreUnsafe) {
    const std::pair<const wchar_t*, const wchar_t*> unsafe[] = {
        {L"", L"empty"},
        {L"../evil", L"climbs"}, {L"..\\evil", L"climbs"}, {L"ok\\..", L"climbs"}, {L"a/../../b", L"climbs"},
        {L"a\\.. \\b", L"climbs once trimmed"}, {L"...\\x", L"climbs once trimmed"},
        {L"/abs", L"absolute"}, {L"\\abs", L"absolute"}, {L"\\\\server\\share\\f", L"UNC"},
        {L"//server/share/f", L"UNC"}, {L"\\\\?\\C:\\f", L"device path"},
        {L"C:evil", L"drive"}, {L"C:/evil", L"drive"}, {L"a/b:c", L"stream"}, {L"f.txt::$DATA", L"stream"},
        {L"CON", L"device"}, {L"nul", L"device"}, {L"a/Aux.txt", L"device with extension"},
        {L"prn.tar.gz", L"device with extensions"}, {L"COM1", L"device"}, {L"lpt9.log", L"device"},
        {L"LPT\u00B3 .txt", L"device with a superscript digit"}, {L"Com\u00B2.log", L"device with a superscript digit"},
        {L"com\u00B9", L"device"}, {L"NUL .txt", L"device before spaces"}, {L"conout$", L"device"},
        {L"x.", L"trailing dot"}, {L"x /y", L"trailing space"}, {L"./x", L"trailing dot"},
        {L"a//b", L"empty component"}, {L"a\\/b", L"empty component"}, {L"dir//", L"empty component"}, {L"/", L"root"},
    };
    for (const auto& [name, why] : unsafe) EXPECT_FALSE(velmora::isSafeMemberName(name)) << name << ": " << why;
    for (const wchar_t* name : {L"bin\\java.exe", L"a..b\\c", L".hidden", L"lib/x..jar", L"dir/", L"dir\\",
                                L"console.txt", L"com10", L"lpt", L"nul_/x", L"aux-1.txt", L"COM1x.txt", L"x/conin"})
        EXPECT_TRUE(velmora::isSafeMemberName(name)) << name;
}

TEST(EntryNames, BelowDirectory) {
    EXPECT_TRUE(isBelowDirectory(L"C:\\base\\x", L"C:\\base"));
    EXPECT_TRUE(isBelowDirectory(L"c:\\BASE\\x\\y", L"C:\\base\\"));
    EXPECT_TRUE(isBelowDirectory(L"Z:\\x", L"Z:\\"));
    EXPECT_FALSE(isBelowDirectory(L"C:\\basement\\x", L"C:\\base"));
    EXPECT_FALSE(isBelowDirectory(L"C:\\base", L"C:\\base"));
    EXPECT_FALSE(isBelowDirectory(L"C:\\base\\", L"C:\\base"));
    EXPECT_FALSE(isBelowDirectory(L"C:\\evil", L"C:\\base"));
}

TEST(EntryAttributes, ByHostByte) {
    // Hosts 0, 7, 11 and 14: the low byte as it stands.
    EXPECT_EQ(entryAttributes(20, 0x21), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(entryAttributes(0x0B14, 0x06), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(entryAttributes(0x0E14, 0x10), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(entryAttributes(0x0714, 0x81A40020), DWORD(FILE_ATTRIBUTE_ARCHIVE));  // Unix bits ignored
    // Unix and the rest: owner write and the directory bit of the high half.
    EXPECT_EQ(entryAttributes(0x0314, 0644u << 16), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(entryAttributes(0x0314, 0444u << 16), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(entryAttributes(0x0314, (040755u << 16) | 0x10), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(entryAttributes(0x0A14, 0x06), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
}

namespace {

uint64_t ticks(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }
uint64_t unixTicks(int64_t seconds) { return uint64_t(seconds * 10000000 + 116444736000000000LL); }

std::string block(const char* tag, const std::string& data) {
    std::string out(tag, 2);
    out += char(data.size() & 0xFF);
    out += char(data.size() >> 8);
    return out + data;
}
std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

EntryTimes timesFrom(const std::string& extra) {
    EntryTimes times;
    times.creation = times.access = times.modification = FILETIME{1, 1};
    applyUnixTimes(reinterpret_cast<const unsigned char*>(extra.data()), extra.size(), times);
    return times;
}

}  // namespace

TEST(EntryTimesFromExtra, UnixTimesReplaceWhatTheirFlagsSay) {
    EntryTimes all = timesFrom(block("UT", std::string(1, 7) + le32(1000) + le32(2000) + le32(3000)));
    EXPECT_EQ(ticks(all.modification), unixTicks(1000));
    EXPECT_EQ(ticks(all.access), unixTicks(2000));
    EXPECT_EQ(ticks(all.creation), unixTicks(3000));

    // Another block first; only the modification time present.
    EntryTimes one = timesFrom(block("xy", "abc") + block("UT", std::string(1, 1) + le32(1600000000)));
    EXPECT_EQ(ticks(one.modification), unixTicks(1600000000));
    EXPECT_EQ(ticks(one.access), ticks(FILETIME{1, 1}));

    // Flags that promise more times than the block holds: those present count, no more.
    EntryTimes shortBlock = timesFrom(block("UT", std::string(1, 7) + le32(5)));
    EXPECT_EQ(ticks(shortBlock.modification), unixTicks(5));
    EXPECT_EQ(ticks(shortBlock.access), ticks(FILETIME{1, 1}));

    // A block running past the field is not read.
    std::string cut = block("UT", std::string(1, 1) + le32(5));
    cut.resize(cut.size() - 2);
    EXPECT_EQ(ticks(timesFrom(cut).modification), ticks(FILETIME{1, 1}));
}

TEST(DownloadProgressMarks, FiveGroupsOfFiveHundredReads) {
    DownloadProgress progress;
    std::wstring printed;
    for (int read = 1; read <= 499; ++read) printed += progress.afterRead();
    EXPECT_EQ(printed, L"");
    EXPECT_EQ(progress.afterRead(), L"=");
    for (int read = 501; read <= 2500; ++read) printed += progress.afterRead();
    EXPECT_EQ(printed, L"==== ");  // the 1000th to 2500th reads: "=" "=" "=" "= "
    for (int read = 2501; read <= 5000; ++read) printed += progress.afterRead();
    EXPECT_EQ(printed, L"==== ===== ");
}

TEST(PackUrls, SchemeByCaseSensitivePrefix) {
    EXPECT_EQ(packUrlSchemeOf(L"http://host/jre.vm"), PackUrlScheme::Http);
    EXPECT_EQ(packUrlSchemeOf(L"https://host/jre.vm"), PackUrlScheme::Http);
    EXPECT_EQ(packUrlSchemeOf(L"ftp://host/jre.vm"), PackUrlScheme::Ftp);
    EXPECT_EQ(packUrlSchemeOf(L"HTTP://host/jre.vm"), PackUrlScheme::None);
    EXPECT_EQ(packUrlSchemeOf(L"file:///C:/jre.vm"), PackUrlScheme::None);
    EXPECT_EQ(packUrlSchemeOf(L" http://host/jre.vm"), PackUrlScheme::None);
}

TEST(Md5Text, LowerCaseHexAndExactComparison) {
    const unsigned char digest[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                      0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
    EXPECT_EQ(md5HexText(digest), L"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_TRUE(md5Matches(L"900150983cd24fb0d6963f7d28e17f72", L"900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_FALSE(md5Matches(L"900150983cd24fb0d6963f7d28e17f72", L"900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_FALSE(md5Matches(L"900150983cd24fb0d6963f7d28e17f72", L"900150983cd24fb0d6963f7d28e17f72 "));
    // A checksum that could not be computed never passes, even against an empty value.
    EXPECT_FALSE(md5Matches(L"", L""));
}

TEST(PackPaths, FileNameDestinationVmAndIntermediateDirectories) {
    EXPECT_EQ(packFileName(L"http://host/packs/jre8.vm"), L"jre8.vm");
    EXPECT_EQ(packFileName(L"http://host/packs/ \tjre8.vm\r\n"), L"jre8.vm");
    EXPECT_EQ(packFileName(L"jre8.vm"), L"jre8.vm");

    EXPECT_EQ(downloadDestination(L"C:\\inst", L"p.vm", true, true), L"C:\\inst\\Windows\\jvmspecs\\p.vm");
    EXPECT_EQ(downloadDestination(L"C:\\inst\\", L"p.vm", false, true),
              L"C:\\inst\\Windows_Pure_64_Bit\\jvmspecs\\p.vm");
    EXPECT_EQ(downloadDestination(L"C:\\inst", L"p.vm", false, false), L"");

    EXPECT_EQ(vmDirectoryOf(L"C:\\inst", true, true), L"C:\\inst\\Windows\\resource\\jre");
    EXPECT_EQ(vmDirectoryOf(L"C:\\", false, true), L"C:\\Windows_Pure_64_Bit\\resource\\jre");
    EXPECT_EQ(vmDirectoryOf(L"C:\\inst", false, false), L"");

    EXPECT_EQ(intermediateDirectoryOf(L"C:\\inst\\Windows\\jvmspecs\\p.vm"),
              L"C:\\inst\\Windows\\jvmspecs\\downloadIntermediary");
    EXPECT_EQ(intermediateDirectoryOf(L"p.vm"), L".\\downloadIntermediary");
}

TEST(PackPaths, RequestTakesTheKeysOfItsOption) {
    PropertySet options;
    options.set(L"build.without.vm.not.found.download.url", L"http://h/a.vm");
    options.set(L"build.without.vm.not.found.download.url.md5Checksum.applicable", L"true");
    options.set(L"build.without.vm.not.found.download.url.md5Checksum.value", L"aaa");
    options.set(L"build.without.vm.direct.download.url", L"ftp://h/b.vm");
    options.set(L"build.without.vm.dont.search.download.url.md5Checksum.applicable", L"yes");
    options.set(L"build.without.vm.dont.search.download.url.md5Checksum.value", L"bbb");

    VmPackRequest notFound = vmPackRequest(options, VmPackUrl::NotFound, L"C:\\start", true);
    EXPECT_EQ(notFound.url, L"http://h/a.vm");
    EXPECT_EQ(notFound.md5Applicable, L"true");
    EXPECT_EQ(notFound.md5Value, L"aaa");
    EXPECT_EQ(notFound.baseDirectory, L"C:\\start");
    EXPECT_TRUE(notFound.silent);

    VmPackRequest direct = vmPackRequest(options, VmPackUrl::Direct, L"C:\\start", false);
    EXPECT_EQ(direct.url, L"ftp://h/b.vm");
    EXPECT_EQ(direct.md5Applicable, L"yes");
    EXPECT_EQ(direct.md5Value, L"bbb");
    EXPECT_FALSE(direct.silent);
}

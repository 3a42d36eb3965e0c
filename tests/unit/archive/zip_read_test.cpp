#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "archive/al_archive.h"
#include "archive/al_inflate_ahead.h"
#include "common/file_attributes.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_writer.h"
#include "tools/ruvo_pack/zip_records.h"

namespace {

using velmora::test::crc32Of;
using velmora::test::deflateRaw;
using velmora::test::TempFolder;
using velmora::test::zipBytes;
using Archive = velmora::test::ZipLayout;

std::string pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    unsigned x = seed;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>("abcdefgh ijk\nlmnop"[(x >> 16) % 18]);
    }
    return s;
}

struct Event {
    std::wstring text;
    int objectPercent, jobPercent;
};

// Members go to the folder given, never to the current directory, which is another folder
// here and must stay empty.
class ZipRead : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        out_ = folder_.makeFolder(L"out");
        current_ = folder_.makeFolder(L"current");
        ASSERT_TRUE(SetCurrentDirectoryW(current_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryW(saved_);
        WIN32_FIND_DATAW data;
        velmora::UniqueFindHandle find(FindFirstFileW((current_ + L"\\*").c_str(), &data));
        ASSERT_TRUE(find);
        do {
            const std::wstring name = data.cFileName;
            EXPECT_TRUE(name == L"." || name == L"..") << "written to the current directory: " << velmora::wideToUtf8(name);
        } while (FindNextFileW(find.get(), &data));
    }

    std::wstring write(const std::string& bytes) { return folder_.write(L"archive.zip", bytes); }
    bool extracted(const std::wstring& name) const {
        return GetFileAttributesW((out_ + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::string content(const std::wstring& name) const { return velmora::test::readFileBytes(out_ + L"\\" + name); }

    // Reads the directory and extracts; returns Extract's result (or ReadDirectory's failure).
    int run(const std::string& bytes, int* directoryResult = nullptr, std::wstring* detail = nullptr) {
        std::wstring path = write(bytes);
        ALSimpleMonitor monitor([this](const wchar_t* text, int object, int job) {
            events_.push_back({text ? text : L"", object, job});
        });
        ALEntryRing ring(&monitor);
        ALPkArchive archive(path.c_str());
        int read = archive.ReadDirectory(ring);
        if (directoryResult) *directoryResult = read;
        int result = archive.Extract(ring, out_);
        if (detail) *detail = archive.status.Text();
        return result;
    }

    TempFolder folder_;
    std::wstring out_;
    std::wstring current_;
    wchar_t saved_[MAX_PATH]{};
    std::vector<Event> events_;
};

TEST_F(ZipRead, PlainAndPrefixedArchivesExtractByteForByte) {
    Archive a;
    a.members.push_back({.name = "Windows/setup.exe", .data = pattern(20000, 1), .method = 8});
    a.members.push_back({.name = "InstallerData/readme.txt", .data = "hello", .method = 0});
    a.members.push_back({.name = "empty.txt", .data = "", .method = 8});
    a.members.push_back({.name = "empty-stored.txt", .data = "", .method = 0});
    for (std::string prefix : {std::string(), std::string(741376 + 1028, 'M')}) {
        a.prefix = prefix;
        EXPECT_EQ(run(zipBytes(a)), 4) << prefix.size();
        EXPECT_EQ(content(L"Windows\\setup.exe"), a.members[0].data);
        EXPECT_EQ(content(L"InstallerData\\readme.txt"), "hello");
        EXPECT_EQ(content(L"empty.txt"), "");
        EXPECT_EQ(content(L"empty-stored.txt"), "");
    }
}

TEST_F(ZipRead, TheFolderIsTakenWithOrWithoutItsSeparator) {
    Archive a;
    a.members.push_back({.name = "Windows/setup.exe", .data = pattern(3000, 50), .method = 8});
    a.members.push_back({.name = "InstallerData/", .data = "", .method = 0});
    const std::wstring path = write(zipBytes(a));
    for (const std::wstring spelling : {L"plain", L"backslash\\", L"slash/"}) {
        const std::wstring folder = folder_.makeFolder(spelling.substr(0, spelling.find_first_of(L"\\/")));
        ALEntryRing ring;
        ALPkArchive archive(path.c_str());
        ASSERT_EQ(archive.ReadDirectory(ring), 2);
        EXPECT_EQ(archive.Extract(ring, folder_ / spelling), 2) << velmora::wideToUtf8(spelling);
        EXPECT_EQ(velmora::test::readFileBytes(folder + L"\\Windows\\setup.exe"), a.members[0].data);
        EXPECT_TRUE(velmora::isDirectory(folder + L"\\InstallerData"));
        // Texts and monitors name the members as stored.
        EXPECT_STREQ(ring.FirstEntry()->storage()->name.Name(), L"Windows/setup.exe");
    }
}

TEST_F(ZipRead, DirectoryOffsetsAndFlagTypeCodes) {
    Archive a;
    a.members.push_back({.name = "a.txt", .data = pattern(3000, 2), .method = 8, .flags = 0x0002});
    a.members.push_back({.name = "b.txt", .data = pattern(3000, 3), .method = 8, .flags = 0x000C});
    a.members.push_back({.name = "c.txt", .data = pattern(3000, 4), .method = 8, .flags = 0x080E});
    a.prefix = std::string(5000, 'P');
    std::wstring path = write(zipBytes(a));

    ALEntryRing ring;
    ALPkArchive archive(path.c_str());
    ASSERT_EQ(archive.ReadDirectory(ring), 3);
    std::vector<int> options;
    std::vector<long> offsets;
    for (ALEntry* e = ring.FirstEntry(); e; e = e->NextEntry()) {
        auto* engine = dynamic_cast<ALPkDecompressor*>(e->decompressor());
        ASSERT_NE(engine, nullptr);
        options.push_back(engine->Option());
        offsets.push_back(e->localHeaderOffset);
        EXPECT_TRUE(e->IsMarked());
        EXPECT_EQ(e->crc, ~crc32Of(a.members[options.size() - 1].data));
    }
    EXPECT_EQ(options, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(offsets[0], 5000);  // every offset grows by what lies in front
    EXPECT_EQ(archive.Extract(ring, out_), 3);
    EXPECT_EQ(content(L"c.txt"), a.members[2].data);
}

TEST_F(ZipRead, StampsAttributesCommentsAndUtf8Names) {
    Archive a;
    a.comment = "archive comment";
    a.members.push_back({.name = "r\xC3\xA9sum\xC3\xA9.txt", .data = "x", .method = 8, .flags = 0x0800, .externalAttributes = 0x01});
    a.members.push_back({.name = "hidden.txt", .data = "y", .method = 8, .externalAttributes = 0x22, .dosTime = 0x5AB4, .dosDate = 0x4E5F});
    a.members.push_back({.name = "folder/", .data = "", .method = 0, .externalAttributes = 0x10});
    a.members.push_back({.name = "bare/", .data = "", .method = 0});
    std::wstring path = write(zipBytes(a));
    ALEntryRing ring;
    ALPkArchive archive(path.c_str());
    ASSERT_EQ(archive.ReadDirectory(ring), 4);
    EXPECT_STREQ(archive.Comment(), L"archive comment");
    ALEntry* first = ring.FirstEntry();
    EXPECT_STREQ(first->storage()->name.Name(), L"r\u00e9sum\u00e9.txt");
    EXPECT_STREQ(first->Comment(), L"");
    ALStorage* second = first->NextEntry()->storage();
    EXPECT_EQ(second->stamp, (ALStamp{2019, 2, 31, 11, 21, 40}));  // stored fields, unchecked
    EXPECT_EQ(second->attributes.bits, ALAttributeWord::kHidden | ALAttributeWord::kArchive);
    EXPECT_EQ(archive.Extract(ring, out_), 4);
    EXPECT_EQ(content(L"r\u00e9sum\u00e9.txt"), "x");
    EXPECT_TRUE(GetFileAttributesW((out_ + L"\\r\u00e9sum\u00e9.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(GetFileAttributesW((out_ + L"\\hidden.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(GetFileAttributesW((out_ + L"\\folder").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(GetFileAttributesW((out_ + L"\\bare").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(ZipRead, InflateSurvivesDataStartingAtTheEndOfABuffer) {
    // The local extra field pushes the first deflate bytes to the last few bytes of the
    // 4096-byte buffer, so the first inflate call takes input without giving output.
    for (size_t extra : {4040u, 4050u, 4055u, 4060u, 4062u}) {
        Archive a;
        std::string data = pattern(50000, static_cast<unsigned>(extra));
        a.members.push_back({.name = "m.bin", .data = data, .method = 8, .localExtra = std::string(extra - 5, 'e')});
        EXPECT_EQ(run(zipBytes(a)), 1) << extra;
        EXPECT_EQ(content(L"m.bin"), data) << extra;
    }
}

TEST_F(ZipRead, CompressedSizeOfTwoGigabytesIsRefusedNotInflated) {
    // A 32-bit long makes the stored size 0x80000001 negative; inflate once got the input
    // buffer with that length and read past it. Data this short used to inflate "fine".
    Archive a;
    a.members.push_back({.name = "m.txt", .data = pattern(300, 21), .method = 8});
    std::string bytes = zipBytes(a);
    const auto byteAt = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])); };
    const size_t end = bytes.size() - 22;
    const size_t central = byteAt(end + 16) | byteAt(end + 17) << 8 | byteAt(end + 18) << 16 | byteAt(end + 19) << 24;
    bytes.replace(central + 20, 4, std::string("\x01\x00\x00\x80", 4));
    std::wstring detail;
    EXPECT_LT(run(bytes, nullptr, &detail), 0);
    EXPECT_EQ(detail.rfind(L"m.txt: ", 0), 0u) << detail;
}

TEST_F(ZipRead, InfoZipStyleLocalExtrasAndUtf8FlagWithoutDescriptor) {
    // Local headers with longer extra fields than the central ones, and flags without a
    // data descriptor: the member sizes alone do not give the archive's start.
    Archive a;
    a.members.push_back({.name = "a.txt", .data = pattern(1000, 5), .method = 8, .flags = 0x0800,
                         .localExtra = std::string(28, 'L'), .centralExtra = std::string(9, 'C')});
    a.members.push_back({.name = "b.txt", .data = pattern(1000, 6), .method = 8, .flags = 0x0002,
                         .localExtra = std::string(28, 'L'), .centralExtra = std::string(9, 'C')});
    for (std::string prefix : {std::string(), std::string(3000, 'X')}) {
        a.prefix = prefix;
        EXPECT_EQ(run(zipBytes(a)), 2);
        EXPECT_EQ(content(L"b.txt"), a.members[1].data);
    }
}

TEST_F(ZipRead, CorruptedDataGivesCrcErrorWithMemberNameAndGoesOn) {
    Archive a;
    a.members.push_back({.name = "good1.txt", .data = pattern(5000, 7), .method = 8});
    a.members.push_back({.name = "bad.txt", .data = pattern(5000, 8), .method = 0, .corruptData = true});
    a.members.push_back({.name = "good2.txt", .data = pattern(5000, 9), .method = 8});
    std::wstring detail;
    EXPECT_EQ(run(zipBytes(a), nullptr, &detail), AL_CRC_ERROR);
    uint32_t stored = ~crc32Of(a.members[1].data);
    std::string flipped = a.members[1].data;
    flipped[flipped.size() / 2] ^= 0x20;
    uint32_t actual = ~crc32Of(flipped);
    wchar_t expected[128];
    swprintf(expected, 128, L"bad.txt: CRC32 was supposed to be %08lx, was %08lx", static_cast<unsigned long>(stored),
             static_cast<unsigned long>(actual));
    EXPECT_EQ(detail, expected);
    EXPECT_EQ(content(L"bad.txt"), flipped);  // the damaged file stays
    EXPECT_EQ(content(L"good2.txt"), a.members[2].data);
}

TEST_F(ZipRead, UnknownMethodStopsBeforeLaterMembers) {
    Archive a;
    a.members.push_back({.name = "first.txt", .data = "1", .method = 0});
    a.members.push_back({.name = "bzip.txt", .data = "2", .method = 12});
    a.members.push_back({.name = "later.txt", .data = "3", .method = 0});
    std::wstring detail;
    int directory = 0;
    EXPECT_EQ(run(zipBytes(a), &directory, &detail), AL_CANT_CREATE_ENGINE);
    EXPECT_EQ(directory, 3);
    EXPECT_EQ(detail, L"Attempt to decompress without a decompressor");
    EXPECT_TRUE(extracted(L"first.txt"));
    EXPECT_FALSE(extracted(L"bzip.txt"));
    EXPECT_FALSE(extracted(L"later.txt"));
}

TEST_F(ZipRead, EncryptedMemberNeedsACryptoEngine) {
    Archive a;
    a.members.push_back({.name = "secret.txt", .data = "s", .method = 0, .flags = 0x0001});
    std::wstring path = write(zipBytes(a));
    ALEntryRing ring;
    ALPkArchive archive(path.c_str());
    ASSERT_EQ(archive.ReadDirectory(ring), 1);
    EXPECT_TRUE(ring.FirstEntry()->IsEncrypted());
    EXPECT_EQ(ring.FirstEntry()->crypto(), nullptr);
    EXPECT_EQ(archive.Extract(ring, out_), AL_MISSING_CRYPTO_ENGINE);
    EXPECT_STREQ(archive.status.Text(), L"Attempt to extract an object without decryption engine");
    EXPECT_FALSE(extracted(L"secret.txt"));
}

TEST_F(ZipRead, InvalidArchivesAreRefused) {
    std::wstring detail;
    int directory = 0;
    EXPECT_EQ(run("", &directory, &detail), AL_INVALID_ARCHIVE);
    EXPECT_NE(detail.find(L"Can't locate end of central directory in ZIP file "), std::wstring::npos);

    Archive a;
    a.members.push_back({.name = "x.txt", .data = "x", .method = 8});
    std::string good = zipBytes(a);
    EXPECT_EQ(run(good.substr(0, good.size() - 10), &directory), AL_INVALID_ARCHIVE);  // truncated

    // An end record farther than 66000 bytes from the end is not found; 65535 bytes of
    // comment still are.
    a.suffix = std::string(66000 - 22 + 1, 'T');
    EXPECT_EQ(run(zipBytes(a), &directory), AL_INVALID_ARCHIVE);
    a.suffix.clear();
    a.comment = std::string(65535, 'c');
    EXPECT_EQ(run(zipBytes(a)), 1);

    // A broken central record.
    std::string broken = good;
    size_t central = broken.find("PK\x01\x02");
    broken[central + 2] = 9;
    EXPECT_EQ(run(broken, &directory, &detail), AL_INVALID_ARCHIVE);
    EXPECT_NE(detail.find(L"Bad record in central directory of ZIP file "), std::wstring::npos);

    // A directory record cut short by the end of the file.
    const std::string cut = std::string("PK\x01\x02", 4) + std::string(10, 'r') + ruvo_pack::endRecord(1, 14, 0);
    EXPECT_EQ(run(cut, &directory, &detail), AL_INVALID_ARCHIVE);
    EXPECT_EQ(directory, AL_INVALID_ARCHIVE);
    EXPECT_NE(detail.find(L"Bad record in central directory of ZIP file "), std::wstring::npos);
}

// A Windows program's headers naming a certificate table at `tableOffset` (the file's end
// when -1), then `body`, padded to eight bytes as signing does, then the table.
struct SignedFile {
    bool pe32Plus = false;
    long tableOffset = -1;
    uint32_t rvaAndSizes = 16;
    std::string body, table;
};

std::string headersOf(const SignedFile& f, uint32_t offset, uint32_t size) {
    auto put = [](std::string& s, size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
    };
    const size_t optional = 64 + 24, directories = f.pe32Plus ? 112 : 96;
    std::string h(optional + directories + 16 * 8, '\0');
    h[0] = 'M', h[1] = 'Z';
    put(h, 0x3C, 64, 4);
    h.replace(64, 4, std::string("PE\0\0", 4));
    put(h, 64 + 4, 0x14c, 2);
    put(h, 64 + 4 + 16, static_cast<uint32_t>(directories + 16 * 8), 2);
    put(h, optional, f.pe32Plus ? 0x20b : 0x10b, 2);
    put(h, optional + directories - 4, f.rvaAndSizes, 4);
    put(h, optional + directories + 4 * 8, offset, 4);
    put(h, optional + directories + 4 * 8 + 4, size, 4);
    return h;
}

std::string signedFile(const SignedFile& f) {
    std::string unsignedPart = headersOf(f, 0, 0) + f.body;
    unsignedPart.resize((unsignedPart.size() + 7) / 8 * 8, '\0');
    const uint32_t offset = f.tableOffset < 0 ? static_cast<uint32_t>(unsignedPart.size()) : static_cast<uint32_t>(f.tableOffset);
    return headersOf(f, offset, static_cast<uint32_t>(f.table.size())) + unsignedPart.substr(headersOf(f, 0, 0).size()) + f.table;
}

// Certificate bytes holding what looks like the end record of an empty archive.
std::string certificateTable(size_t size) {
    std::string table = std::string("\0\0\0\0\0\x02\x02\0", 8) + pattern(size - 8 - 22 - 40, 31);
    table += std::string("PK\x05\x06", 4) + std::string(18, '\0') + std::string(40, 'c');
    return table;
}

TEST_F(ZipRead, SignedInstallersFindTheirArchiveBeforeTheCertificateTable) {
    Archive a;
    a.members.push_back({.name = "Windows/setup.exe", .data = pattern(5000, 30), .method = 8});
    a.prefix = std::string(1028, 'H');
    const std::string payload = zipBytes(a) + std::string("\x00\x4c\x0b\x00", 4);
    struct Case {
        const char* what;
        SignedFile file;
        bool tableIgnored;
    } cases[] = {
        {"a small table with a stray end record", {.body = payload, .table = certificateTable(2000)}, false},
        {"a table larger than the search window", {.body = payload, .table = certificateTable(70000)}, false},
        {"a 64-bit program", {.pe32Plus = true, .body = payload, .table = certificateTable(70000)}, false},
        {"a table said to lie past the end", {.tableOffset = 1 << 24, .body = payload, .table = std::string(500, 't')}, true},
        {"no security entry in the directories", {.rvaAndSizes = 4, .body = payload, .table = std::string(500, 't')}, true},
        // A stub signed before the payload was appended: its table lies inside the file.
        {"a table ending before the file's end", {.tableOffset = 512, .body = payload, .table = std::string(500, 't')}, true},
    };
    for (const Case& c : cases) {
        const std::string file = signedFile(c.file);
        ALEntryRing ring;
        ALPkArchive archive(write(file).c_str());
        EXPECT_EQ(archive.ReadDirectory(ring), 1) << c.what;
        EXPECT_EQ(archive.SearchEnd(), static_cast<long>(c.tableIgnored ? file.size() : file.size() - c.file.table.size()))
            << c.what;
        EXPECT_EQ(archive.Extract(ring, out_), 1) << c.what;
        EXPECT_EQ(content(L"Windows\\setup.exe"), a.members[0].data) << c.what;
    }
}

TEST_F(ZipRead, AnEndRecordIsTakenOnlyWhenItLeadsToTheDirectory) {
    // Behind the real end record: a comment, or bytes appended later, holding the signature.
    Archive a;
    a.members.push_back({.name = "x.txt", .data = "x", .method = 8});
    const std::string stray = std::string("PK\x05\x06", 4) + std::string(6, '\0') + std::string("\x01\0\x10\0\0\0", 6) +
                              std::string(6, '\0');
    for (bool inComment : {true, false}) {
        (inComment ? a.comment : a.suffix) = "before " + stray + " after";
        EXPECT_EQ(run(zipBytes(a)), 1) << inComment;
        EXPECT_EQ(content(L"x.txt"), "x");
        (inComment ? a.comment : a.suffix).clear();
    }
}

TEST_F(ZipRead, UnsafeNamesAreRefusedBeforeAnythingIsWritten) {
    for (std::string bad : {"../evil.txt", "a/../../evil.txt", "..\\evil.txt", "/abs.txt", "\\abs.txt",
                            "C:/evil.txt", "C:evil.txt", "ok.txt:stream", "", "\\\\server\\share\\evil.txt",
                            "a/NUL.txt", "com1", "dir./x", "x /y", "a//b", "...\\evil.txt"}) {
        Archive a;
        a.members.push_back({.name = "first.txt", .data = "1", .method = 8});
        a.members.push_back({.name = bad, .data = "2", .method = 8});
        std::wstring detail;
        int directory = 0;
        EXPECT_EQ(run(zipBytes(a), &directory, &detail), AL_INVALID_ARCHIVE) << bad;
        EXPECT_EQ(directory, AL_INVALID_ARCHIVE);
        EXPECT_EQ(detail.rfind(L"Unsafe member name ", 0), 0u) << bad;
        EXPECT_FALSE(extracted(L"first.txt")) << bad;
    }
    EXPECT_FALSE(GetFileAttributesW((folder_ / L"evil.txt").c_str()) != INVALID_FILE_ATTRIBUTES);
}

TEST_F(ZipRead, OutputCreationFailureSkipsTheMemberAndIsReportedAtTheEnd) {
    Archive a;
    a.members.push_back({.name = "blocked/file.txt", .data = "1", .method = 8});
    a.members.push_back({.name = "fine.txt", .data = "2", .method = 8});
    velmora::test::writeFileBytes(out_ + L"\\blocked", "a file where a folder should be");
    std::wstring detail;
    EXPECT_EQ(run(zipBytes(a), nullptr, &detail), AL_CANT_OPEN_FILE);
    EXPECT_EQ(detail.rfind(L"blocked/file.txt: File creation failure.", 0), 0u);
    EXPECT_EQ(content(L"fine.txt"), "2");
}

// A file whose every write fails, as on a full disk.
class FullDiskFile : public ALFile {
public:
    using ALFile::ALFile;
    int Flush() override {
        if (IsOpen()) return status.Set(AL_WRITE_ERROR, "Write failure on %s.  disk full", name.Name());
        return ALFile::Flush();
    }
    ALStorage* CloneFor(const wchar_t* n, int typeCode) const override { return new FullDiskFile(n); }
};

TEST_F(ZipRead, WriteFailureIsReportedAsSuchNotAsDamagedData) {
    Archive a;
    a.members.push_back({.name = "big.bin", .data = pattern(20000, 3), .method = 8});
    ALPrototypeSet prototypes = ALPrototypeSet::Standard();
    prototypes.storageObjects.clear();
    prototypes.storageObjects.emplace_back(new FullDiskFile(L""));
    ALEntryRing ring(nullptr, prototypes);
    ALPkArchive archive(write(zipBytes(a)).c_str());
    ASSERT_EQ(archive.ReadDirectory(ring), 1);
    EXPECT_EQ(archive.Extract(ring, out_), AL_WRITE_ERROR);
    EXPECT_EQ(std::wstring(archive.status.Text()).rfind(L"big.bin: Write failure on ", 0), 0u) << archive.status.Text();
}

TEST_F(ZipRead, MonitorCallbackSequenceInJobMode) {
    Archive a;
    a.members.push_back({.name = "one.bin", .data = pattern(12000, 10), .method = 0});
    a.members.push_back({.name = "two.bin", .data = pattern(8000, 11), .method = 0});
    ASSERT_EQ(run(zipBytes(a)), 2);
    // Each entry is announced by name, then progress figures follow; job percent never falls.
    std::vector<std::wstring> names;
    int lastJob = -1;
    bool sawProgress = false;
    for (const Event& e : events_) {
        if (!e.text.empty()) {
            names.push_back(e.text);
            EXPECT_EQ(e.objectPercent, -1);
            EXPECT_EQ(e.jobPercent, -1);
            continue;
        }
        EXPECT_GE(e.jobPercent, lastJob);
        EXPECT_LE(e.jobPercent, 100);
        lastJob = e.jobPercent;
        sawProgress = true;
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"one.bin", L"two.bin"}));
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(lastJob, 100);  // the report after the last entry counts everything
}

TEST_F(ZipRead, EnginesOpenAndCloseUnopenedStorageThemselves) {
    std::string text = pattern(30000, 12);
    folder_.write(L"out\\raw.bin", deflateRaw(text));
    folder_.write(L"out\\plain.bin", "0123456789");
    const auto inOut = [this](ALFile& file) { file.SetFolder(out_ + L"\\"); };
    {
        ALFile in(L"raw.bin"), out(L"inflated.txt");
        inOut(in), inOut(out);
        ALPkDecompressor inflate;
        EXPECT_EQ(inflate.Decompress(in, out), 0);
        EXPECT_FALSE(in.HasBuffer());
        EXPECT_FALSE(out.HasBuffer());
        EXPECT_EQ(out.CrcRegister(), ~crc32Of(text));
    }
    EXPECT_EQ(content(L"inflated.txt"), text);
    {
        ALFile in(L"plain.bin"), out(L"copied.txt");
        inOut(in), inOut(out);
        ALCopyDecompressor copy;
        EXPECT_EQ(copy.Decompress(in, out, 4), 0);
    }
    EXPECT_EQ(content(L"copied.txt"), "0123");
    ALFile missing(L"missing.bin"), out(L"never.txt");
    inOut(missing), inOut(out);
    ALCopyDecompressor copy;
    EXPECT_EQ(copy.Decompress(missing, out), AL_CANT_OPEN_FILE);
    EXPECT_EQ(copy.status.Code(), AL_CANT_OPEN_FILE);
    EXPECT_NE(std::wstring(copy.status.Text()).find(L"missing.bin returned errno = 2"), std::wstring::npos);
}

TEST_F(ZipRead, DamagedHeadersNeverCrashOrEscapeTheFolder) {
    // Random damage anywhere in the headers: every run ends with a count or a status, and
    // whatever gets written stays below the output folder.
    Archive a;
    a.members.push_back({.name = "a/one.txt", .data = pattern(3000, 13), .method = 8, .flags = 0x0008});
    a.members.push_back({.name = "two.bin", .data = pattern(200, 14), .method = 0});
    a.prefix = std::string(600, 'p');
    std::string good = zipBytes(a);
    std::vector<size_t> headerBytes;
    for (size_t i = 600; i < 600 + 80; ++i) headerBytes.push_back(i);              // first local header
    for (size_t i = good.size() - 22 - 120; i < good.size(); ++i) headerBytes.push_back(i);  // directory, end
    unsigned seed = 99;
    for (int round = 0; round < 150; ++round) {
        std::string damaged = good;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            size_t at = headerBytes[(seed >> 8) % headerBytes.size()];
            damaged[at] = static_cast<char>(seed >> 24);
        }
        int result = run(damaged);
        EXPECT_TRUE(result >= 0 || result <= -1200 || result == -1) << round;
    }
    EXPECT_EQ(GetFileAttributesW((folder_ / L"two.bin").c_str()), INVALID_FILE_ATTRIBUTES);
}

int postedSeen = 0;
LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP) ++postedSeen;
    return DefWindowProcW(window, message, w, l);
}

TEST_F(ZipRead, WindowMessagesAreDispatchedWhileExtracting) {
    // The self-extractor's dialog lives on the extracting thread: its messages must flow.
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = countingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ArchiveTestPump";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"ArchiveTestPump", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    Sleep(30);  // the pump runs at most every few milliseconds
    postedSeen = 0;
    ASSERT_TRUE(PostMessageW(window, WM_APP, 0, 0));
    Archive a;
    a.members.push_back({.name = "m.bin", .data = pattern(100000, 15), .method = 8});
    EXPECT_EQ(run(zipBytes(a)), 1);
    EXPECT_EQ(postedSeen, 1);
    DestroyWindow(window);
}

TEST(ZipRecords, DirectoryRecordsDecodeAsWrittenBeforeAnEntryIsBuilt) {
    struct Case {
        ruvo_pack::ZipRecord written;
        int typeCode;
        long localSpan;
        bool encrypted, utf8;
    } cases[] = {
        {{.name = "a.txt", .versionMadeBy = 0x0314, .flags = 0x0806, .method = 8, .dosTime = 0x5AB4, .dosDate = 0x4E5F,
          .crc = 0xDEADBEEF, .compressedSize = 100, .size = 300, .externalAttributes = 0x81A40020,
          .localHeaderOffset = 0x12345678, .centralExtra = "xyz"},
         AL_ENGINE_DEFLATE + 3, 30 + 5 + 3 + 100, false, true},
        {{.name = "stored/", .flags = 0x0008, .method = 0, .compressedSize = 7, .size = 7}, 100, 30 + 7 + 7 + 16, false,
         false},
        {{.name = "locked.bin", .flags = 0x0001, .method = 12, .compressedSize = 1}, 112, 30 + 10 + 1, true, false},
    };
    for (const Case& c : cases) {
        const std::string bytes = ruvo_pack::centralRecord(c.written);
        const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
        ASSERT_EQ(ALPkRecordKindOf(raw), AL_PK_DIRECTORY_RECORD);
        const ALPkDirectoryRecord r = ALDecodeDirectoryRecord(raw);
        const ruvo_pack::ZipRecord& w = c.written;
        EXPECT_EQ(std::vector<uint32_t>({r.versionMadeBy, r.versionNeeded, r.flags, r.method, r.time, r.date, r.crc,
                                         r.compressedSize, r.size, r.nameLength, r.extraLength, r.commentLength,
                                         r.externalAttributes, r.localHeaderOffset}),
                  std::vector<uint32_t>({w.versionMadeBy, w.versionNeeded, w.flags, w.method, w.dosTime, w.dosDate,
                                         w.crc, w.compressedSize, w.size, static_cast<uint32_t>(w.name.size()),
                                         static_cast<uint32_t>(w.centralExtra.size()), 0, w.externalAttributes,
                                         w.localHeaderOffset}))
            << w.name;
        EXPECT_EQ(r.TypeCode(), c.typeCode) << w.name;
        EXPECT_EQ(r.LocalSpan(), c.localSpan) << w.name;
        EXPECT_EQ(r.Encrypted(), c.encrypted) << w.name;
        EXPECT_EQ(r.Utf8Names(), c.utf8) << w.name;
    }
    const std::string end = ruvo_pack::endRecord(0, 0, 0);
    EXPECT_EQ(ALPkRecordKindOf(reinterpret_cast<const unsigned char*>(end.data())), AL_PK_END_RECORD);
    for (const char* bad : {"PK\x03\x04", "PK\x01\x03", "pK\x01\x02"})
        EXPECT_EQ(ALPkRecordKindOf(reinterpret_cast<const unsigned char*>(bad)), AL_PK_BAD_RECORD) << bad;
}

TEST(ZipMessages, SimpleMonitorTextsOnlyWithMessagesOn) {
    std::vector<std::wstring> texts;
    auto collect = [&](const wchar_t* text, int, int) { texts.emplace_back(text ? text : L"-"); };
    ALSimpleMonitor quiet(collect);
    quiet.Message(AL_DIRECTORY_ENTRY, L"%s", L"a.txt");
    EXPECT_TRUE(texts.empty());
    ALSimpleMonitor talking(collect, AL_MONITOR_JOB | AL_SEND_MESSAGES);
    talking.Message(AL_DIRECTORY_ENTRY, L"%s", L"a.txt");
    talking.Message(AL_SORT_PROGRESS, L"%s", L"50%");
    talking.Message(99, L"%s", L"x");
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Directory entry: a.txt", L"Sorting is 50% complete",
                                                L"Bad monitor message type!!!"}));
}

TEST(ZipEngines, CloneTable) {
    ALPkDecompressor inflate;
    ALCopyDecompressor copy;
    auto kind = [](ALDecompressor* d) -> std::string {
        std::unique_ptr<ALDecompressor> owned(d);
        if (!d) return "none";
        if (auto* pk = dynamic_cast<ALPkDecompressor*>(d)) return "inflate" + std::to_string(pk->Option());
        return "copy";
    };
    EXPECT_EQ(kind(inflate.CloneFor(0)), "copy");
    EXPECT_EQ(kind(inflate.CloneFor(100)), "copy");
    EXPECT_EQ(kind(inflate.CloneFor(-1)), "inflate0");
    EXPECT_EQ(kind(inflate.CloneFor(110)), "inflate2");
    EXPECT_EQ(kind(inflate.CloneFor(112)), "none");
    EXPECT_EQ(kind(copy.CloneFor(-1)), "copy");
    EXPECT_EQ(kind(copy.CloneFor(100)), "none");
    EXPECT_STREQ(inflate.DisplayName(), "Inflate");
    EXPECT_STREQ(copy.DisplayName(), "Binary copy");
}

}  // namespace

// Large members are inflated one ahead on a second thread. Every outcome must be what
// extracting them one after the other gives: the same archive with names that keep each
// member in its predecessor's way (one file in changing case) is extracted that way, and
// its members lie at the same offsets, so both runs must report the same steps.
class InflateAhead : public ZipRead {
protected:
    static std::string noise(size_t n, unsigned seed) {  // does not deflate: > 1 MB stored
        std::string s(n, '\0');
        unsigned x = seed;
        for (auto& c : s) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 23);
        }
        return s;
    }
    // a, b, c (small), e, f; `apart` names them so, else all "d.bin" in changing case.
    static Archive payload(bool apart, const std::function<void(std::vector<velmora::test::ZipMember>&)>& change) {
        Archive a;
        const char* apartNames[] = {"a.bin", "b.bin", "c.bin", "e.bin", "f.bin"};
        const char* togetherNames[] = {"d.bin", "D.BIN", "d.BIN", "D.bin", "d.Bin"};
        for (int i = 0; i < 5; ++i)
            a.members.push_back({.name = apart ? apartNames[i] : togetherNames[i],
                                 .data = i == 2 ? pattern(3000, 40) : noise(1100000 + 70000 * i, 41 + i), .method = 8,
                                 .dosTime = 0x5AB4, .dosDate = 0x4E5F});
        if (change) change(a.members);
        return a;
    }
    struct Outcome {
        int result;
        std::wstring detail;  // without the member's name
        std::vector<std::pair<int, int>> steps;
        size_t starts = 0;
    };
    // Extracts into its own folder; the monitor cancels at progress step `cancelAt` (0: never).
    Outcome extract(const Archive& a, const std::wstring& folder, int cancelAt = 0) {
        class Cancelling : public ALSimpleMonitor {
        public:
            Cancelling(Outcome& o, int at)
                : ALSimpleMonitor([&o](const wchar_t* text, int object, int job) {
                      if (text) ++o.starts;
                      else o.steps.push_back({object, job});
                  }),
                  at_(at) {}
            void Progress(long position, ALStorage& storage) override {
                ALSimpleMonitor::Progress(position, storage);
                if (++calls_ == at_) storage.status.Set(AL_USER_ABORT, "User abort");
            }

        private:
            int at_, calls_ = 0;
        };
        Outcome o;
        std::wstring path = folder_.write(folder + L".zip", zipBytes(a));
        Cancelling monitor(o, cancelAt);
        ALEntryRing ring(&monitor);
        ALPkArchive archive(path.c_str());
        archive.ReadDirectory(ring);
        o.result = archive.Extract(ring, folder_.makeFolder(folder));
        o.detail = archive.status.Text();
        o.detail.erase(0, o.detail.find(L": "));
        return o;
    }
    void expectSame(const Outcome& ahead, const Outcome& inTurn, const std::string& what) {
        EXPECT_EQ(ahead.result, inTurn.result) << what;
        EXPECT_EQ(ahead.detail, inTurn.detail) << what;
        EXPECT_EQ(ahead.starts, inTurn.starts) << what;
        EXPECT_EQ(ahead.steps, inTurn.steps) << what;
    }
};

TEST_F(InflateAhead, FilesStepsAndFailuresAreThoseOfExtractingInTurn) {
    using Members = std::vector<velmora::test::ZipMember>;
    const struct {
        const char* what;
        std::function<void(Members&)> change;
        int result;
        bool inTurnToo = true;  // one file in changing case cannot be read-only and written again
    } cases[] = {
        {"whole payload", nullptr, 5},
        {"read-only and hidden members ahead",
         [](Members& m) {
             m[1].externalAttributes = 0x21;
             m[3].externalAttributes = 0x22;
         },
         5, false},
        {"wrong checksum ahead", [](Members& m) { m[1].damageCrc = true; }, AL_CRC_ERROR},
        {"damaged data ahead", [](Members& m) { m[3].corruptData = true; }, AL_CRC_ERROR},
        {"damaged data in turn", [](Members& m) { m[0].corruptData = true; }, AL_CRC_ERROR},
    };
    int run = 0;
    for (const auto& c : cases) {
        const Archive apart = payload(true, c.change);
        const std::wstring folder = L"apart" + std::to_wstring(run++);
        Outcome ahead = extract(apart, folder);
        EXPECT_EQ(ahead.result, c.result) << c.what;
        if (c.inTurnToo) expectSame(ahead, extract(payload(false, c.change), L"together" + std::to_wstring(run)), c.what);
        const wchar_t* names[] = {L"a.bin", L"b.bin", L"c.bin", L"e.bin", L"f.bin"};
        WIN32_FILE_ATTRIBUTE_DATA first{};
        GetFileAttributesExW((folder_ / folder + L"\\a.bin").c_str(), GetFileExInfoStandard, &first);
        for (int i = 0; i < 5; ++i) {
            const std::wstring file = folder_ / folder + L"\\" + names[i];
            const std::string& expected = apart.members[i].data;
            std::string flipped = expected;
            if (apart.members[i].corruptData) flipped[flipped.size() / 2] ^= 0x20;  // the damaged file stays
            EXPECT_EQ(velmora::test::readFileBytes(file), flipped) << c.what << " " << i;
            WIN32_FILE_ATTRIBUTE_DATA data{};
            ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data));
            EXPECT_EQ(data.dwFileAttributes & 0x7, apart.members[i].externalAttributes & 0x7) << c.what << " " << i;
            EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &first.ftLastWriteTime), 0) << c.what << " " << i;
        }
    }
}

TEST_F(InflateAhead, CancellingAnywhereEndsAsExtractingInTurnWould) {
    const Outcome whole = extract(payload(true, nullptr), L"whole");
    const int steps = static_cast<int>(whole.steps.size());
    ASSERT_GT(steps, 1000);
    // In the first member, in the one inflated ahead, in the small one, in the next ahead.
    // Up to the cancel the steps are the same; after it the failed member's file holds less
    // (nothing, where it was inflated ahead) and the steps still reported name other places.
    for (int at : {10, steps / 4 + 7, steps / 2, steps * 3 / 4, steps - 3}) {
        const std::string what = "cancelled at step " + std::to_string(at);
        Outcome ahead = extract(payload(true, nullptr), L"apart" + std::to_wstring(at), at);
        Outcome inTurn = extract(payload(false, nullptr), L"together" + std::to_wstring(at), at);
        EXPECT_LT(ahead.result, 0) << what;
        EXPECT_EQ(ahead.result, inTurn.result) << what;
        EXPECT_EQ(ahead.starts, inTurn.starts) << what;
        ASSERT_GE(ahead.steps.size(), static_cast<size_t>(at)) << what;
        ASSERT_GE(inTurn.steps.size(), static_cast<size_t>(at)) << what;
        EXPECT_TRUE(std::equal(ahead.steps.begin(), ahead.steps.begin() + at, inTurn.steps.begin())) << what;
    }
}

// A stop (Cancel, or the engine no longer wanting the member) ends the thread after the buffer
// it is inflating, not after the rest of the member.
TEST_F(InflateAhead, StoppingEndsTheThreadWithinOneBuffer) {
    Archive a;
    a.members.push_back({.name = "big.bin", .data = noise(8 << 20, 43), .method = 8});
    const std::wstring path = write(zipBytes(a));
    ALEntryRing ring;
    ALPkArchive archive(path.c_str());
    ASSERT_EQ(archive.ReadDirectory(ring), 1);
    ALEntry& entry = *ring.FirstEntry();
    entry.storage()->SetFolder(out_ + L"\\");
    const long buffers = entry.compressedSize / ALFile::kBufferSize;

    ALInflateAhead ahead(archive, path.c_str(), entry);
    for (int i = 0; i < 10000 && ahead.BuffersInflated() == 0; ++i) Sleep(1);  // until it has begun
    ahead.Stop();
    const long atStop = ahead.BuffersInflated();
    EXPECT_FALSE(ahead.Finish());
    EXPECT_GT(atStop, 0);
    EXPECT_LT(atStop, buffers);
    EXPECT_LE(ahead.BuffersInflated(), atStop + 1);
    ahead.Discard();
    EXPECT_FALSE(extracted(L"big.bin"));
}

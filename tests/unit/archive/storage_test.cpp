#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/al_engine.h"
#include "archive/al_storage.h"
#include "common/text_convert.h"
#include "tests/support/temp_folder.h"

namespace {

using velmora::test::TempFolder;

// The engine works relative to the current directory, as the self-extractor does.
class InFolder : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    }
    void TearDown() override { SetCurrentDirectoryW(saved_); }
    bool exists(const std::wstring& relative) const {
        return GetFileAttributesW((folder_ / relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    TempFolder folder_;
    wchar_t saved_[MAX_PATH]{};
};

TEST(ALStamp, JulianDaysSecondsAndDosFields) {
    EXPECT_EQ(ALStamp::JulianDay(1970, 1, 1), 2440588);
    EXPECT_EQ(ALStamp::JulianDay(2000, 1, 1), 2451545);
    int y, m, d;
    ALStamp::DateOfJulianDay(2460371, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240301);

    ALStamp stamp{2024, 3, 1, 12, 0, 0};
    EXPECT_EQ(stamp.ToSeconds(), 1709294400);
    EXPECT_EQ(ALStamp::FromSeconds(1709294400 - 3600), (ALStamp{2024, 3, 1, 11, 0, 0}));
    EXPECT_EQ(ALStamp::FromSeconds(951782400), (ALStamp{2000, 2, 29, 0, 0, 0}));  // leap day
    EXPECT_EQ((ALStamp{1969, 12, 31, 23, 59, 59}).ToSeconds(), 0);

    ALStamp dos{2024, 3, 1, 13, 45, 31};
    EXPECT_EQ(dos.DosDate(), (44 << 9) | (3 << 5) | 1);
    EXPECT_EQ(dos.DosTime(), (13 << 11) | (45 << 5) | 15);
    EXPECT_EQ(ALStamp::FromDos(dos.DosDate(), dos.DosTime()), (ALStamp{2024, 3, 1, 13, 45, 30}));
}

TEST(ALAttributeWord, Win32AndZipMappings) {
    ALAttributeWord word;
    word.bits = 0x4010 | 0x0020;  // directory, bit 4 and bit 5 set
    word.SetFromWin32(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(word.bits, 0x4000 | 0x0020 | ALAttributeWord::kReadOnly | ALAttributeWord::kHidden);
    EXPECT_EQ(word.ToWin32(), static_cast<uint32_t>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    word.SetFromZipExternal(0x81A40000u | 0x01 | 0x02 | 0x04 | 0x08 | 0x20);
    EXPECT_EQ(word.bits, ALAttributeWord::kReadOnly | ALAttributeWord::kHidden | ALAttributeWord::kSystem |
                             ALAttributeWord::kArchive);
    word.SetFromZipExternal(0x10);
    EXPECT_TRUE(word.IsDirectory());
}

TEST(ALPathName, CaseModesAndPreviousName) {
    ALPathName upper(AL_UPPER), lower(AL_LOWER), kept(AL_MIXED);
    upper.Set(L"Setup.Dat");
    lower.Set(L"Setup.Dat");
    kept.Set(L"Setup.Dat");
    EXPECT_STREQ(upper.Name(), L"SETUP.DAT");
    EXPECT_STREQ(lower.Name(), L"setup.dat");
    EXPECT_STREQ(kept.Name(), L"Setup.Dat");
    kept.Set(L"Other");
    EXPECT_STREQ(kept.PreviousName(), L"Setup.Dat");
    EXPECT_FALSE(kept.SameAs(L"a", L"A"));
    EXPECT_TRUE(ALPathName(AL_MIXED_NO_CASE).SameAs(L"a", L"A"));
}

TEST(ALCrc, RegisterMatchesTheStandardCrcComplemented) {
    const std::string text = "123456789";
    uint32_t reg = ALUpdateCrc(0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    EXPECT_EQ(~reg, 0xCBF43926u);
    // Split updates give the same register as one pass.
    uint32_t split = ALUpdateCrc(0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(text.data()), 4);
    split = ALUpdateCrc(split, reinterpret_cast<const unsigned char*>(text.data()) + 4, 5);
    EXPECT_EQ(split, reg);
}

TEST_F(InFolder, OpenMissingFileReportsErrno2) {
    ALFile file(L"missing.bin");
    EXPECT_EQ(file.Open(), AL_CANT_OPEN_FILE);
    EXPECT_STREQ(file.status.Text(), L"File open failure.  Open of missing.bin returned errno = 2");
    EXPECT_EQ(file.ReadChar(), AL_CANT_OPEN_FILE);  // a failed object refuses further work
}

TEST_F(InFolder, WriteThenReadBackWithCrcSizeAndIntegers) {
    {
        ALFile out(L"data.bin");
        ASSERT_EQ(out.Create(), 0);
        out.StartCrc();
        std::string block(10000, '\0');
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
        EXPECT_EQ(out.WriteBuffer(reinterpret_cast<const unsigned char*>(block.data()), 10000), 10000);
        out.WriteShort(0x1234);
        out.WriteLong(0x89ABCDEF);
        out.WriteShortBE(0x1234);
        EXPECT_EQ(out.Tell(), 10008);
        uint32_t expected = ALUpdateCrc(0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(block.data()), 10000);
        const unsigned char tail[] = {0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0x12, 0x34};
        expected = ALUpdateCrc(expected, tail, 8);
        EXPECT_EQ(out.FinishCrc(), expected);
        EXPECT_EQ(out.Close(), 0);
        EXPECT_EQ(out.Size(), 10008);
    }
    ALFile in(L"data.bin");
    ASSERT_EQ(in.Open(), 0);
    EXPECT_EQ(in.Size(), 10008);
    EXPECT_EQ(in.stamp.year >= 2020, true);
    ASSERT_EQ(in.Seek(9999), 0);
    EXPECT_EQ(in.ReadChar(), static_cast<unsigned char>(9999 * 7));
    short s;
    long l;
    in.ReadShort(s);
    in.ReadLong(l);
    EXPECT_EQ(s, 0x1234);
    EXPECT_EQ(static_cast<uint32_t>(l), 0x89ABCDEFu);
    in.ReadShortBE(s);
    EXPECT_EQ(s, 0x1234);
    EXPECT_EQ(in.ReadChar(), AL_END_OF_FILE);
    EXPECT_EQ(in.status.Code(), 0);  // end of data is no failure
    unsigned char buffer[16];
    in.Seek(10000);
    EXPECT_EQ(in.ReadBuffer(buffer, 16), 8);
}

TEST_F(InFolder, CreateMakesParentFoldersAndDirectoryEntries) {
    ALFile file(L"a/b/c.txt");
    ASSERT_EQ(file.Create(), 0);
    file.WriteChar('x');
    file.Close();
    EXPECT_EQ(folder_.read(L"a\\b\\c.txt"), "x");

    ALFile folderEntry(L"d/e/");
    folderEntry.attributes.bits = ALAttributeWord::kDirectory;
    EXPECT_EQ(folderEntry.Create(), 0);
    EXPECT_FALSE(folderEntry.IsOpen());
    EXPECT_TRUE(exists(L"d\\e"));
    folderEntry.Close();
}

TEST_F(InFolder, TemporaryNamesAndTheirExhaustion) {
    ALFile first(L"");
    ASSERT_EQ(first.Create(), 0);
    EXPECT_STREQ(first.name.Name(), L"~al~000.tmp");
    first.Close();
    for (int n = 1; n < 1000; ++n) {
        wchar_t name[32];
        swprintf(name, 32, L"~al~%03d.tmp", n);
        folder_.write(name, "");
    }
    ALFile exhausted(L"");
    EXPECT_EQ(exhausted.Create(), AL_CANT_OPEN_FILE);
    EXPECT_STREQ(exhausted.status.Text(),
                 L"Temporary file creation failure.  Tried 1000 times to open ~al~999.tmp (or a name something like that).");
    EXPECT_STREQ(exhausted.name.Name(), L"");
}

TEST_F(InFolder, RenamesBakNamesAndDelete) {
    folder_.write(L"setup.dat", "1");
    folder_.write(L"README", "2");
    ALFile dat(L"setup.dat");
    EXPECT_EQ(dat.RenameToBak(), 0);
    EXPECT_TRUE(exists(L"setup.bak"));
    EXPECT_FALSE(exists(L"setup.dat"));
    ALFile readme(L"README");
    EXPECT_EQ(readme.RenameToBak(), 0);
    EXPECT_TRUE(exists(L"README.bak"));

    ALFile same(L"x.txt");
    EXPECT_EQ(same.Rename(L"X.TXT"), AL_RENAME_ERROR);
    EXPECT_STREQ(same.status.Text(), L"Error attempting to rename X.TXT to x.txt.  Can't rename to the same name!");

    ALFile moved(L"setup.bak");
    EXPECT_EQ(moved.Rename(L"final.dat"), 0);
    EXPECT_STREQ(moved.name.Name(), L"final.dat");
    EXPECT_EQ(moved.RestoreName(), 0);
    EXPECT_TRUE(exists(L"setup.bak"));
    EXPECT_EQ(moved.Delete(), 0);
    EXPECT_FALSE(exists(L"setup.bak"));
    EXPECT_EQ(moved.Delete(), AL_DELETE_ERROR);
    EXPECT_STREQ(moved.status.Text(), L"Error deleting file setup.bak, errno = 2 ");
}

// A storage with a folder of its own: each call on the disk reaches that folder, whatever is
// current, and the texts keep naming the file as it is named.
TEST_F(InFolder, EveryCallReachesTheStoragesFolder) {
    const std::wstring target = folder_.makeFolder(L"target") + L"\\";
    folder_.write(L"target\\setup.dat", "1");
    folder_.write(L"target\\old.txt", "2");
    const struct {
        const char* what;
        const wchar_t* name;
        std::function<int(ALFile&)> act;
        const wchar_t* there;  // inside the folder afterwards; never in the current directory
    } cases[] = {
        {"parent folders made", L"a/b/c.txt",
         [](ALFile& f) {
             f.attributes.bits = ALAttributeWord::kHidden;
             f.stamp = ALStamp{2024, 3, 1, 12, 0, 0};  // attributes are applied with a stamp
             if (f.Create() < 0) return -1;
             f.WriteChar('x');
             return f.Close();
         },
         L"a\\b\\c.txt"},
        {"read back with its attributes", L"a/b/c.txt",
         [](ALFile& f) { return f.Open() < 0 || f.ReadChar() != 'x' || !(f.attributes.bits & ALAttributeWord::kHidden) ? -1 : 0; },
         L"a\\b\\c.txt"},
        {"a directory entry", L"d/e",
         [](ALFile& f) {
             f.attributes.bits = ALAttributeWord::kDirectory;
             return f.Create();
         },
         L"d\\e"},
        {"a temporary name", L"", [](ALFile& f) { return f.Create() < 0 ? -1 : f.Close(); }, L"~al~000.tmp"},
        {"a bak name", L"setup.dat", [](ALFile& f) { return f.RenameToBak(); }, L"setup.bak"},
        {"renamed over an existing file", L"setup.bak", [](ALFile& f) { return f.Rename(L"old.txt"); }, L"old.txt"},
        {"the name restored", L"old.txt",
         [](ALFile& f) { return f.Rename(L"moved.txt") < 0 ? -1 : f.RestoreName(); }, L"old.txt"},
    };
    for (const auto& c : cases) {
        ALFile file(c.name);
        file.SetFolder(target);
        EXPECT_EQ(c.act(file), 0) << c.what << ": " << velmora::wideToUtf8(file.status.Text());
        file.Close();
        EXPECT_TRUE(exists(L"target\\" + std::wstring(c.there))) << c.what;
        EXPECT_FALSE(exists(c.there)) << c.what;
    }
    EXPECT_FALSE(exists(L"target\\moved.txt"));
    EXPECT_EQ(folder_.read(L"target\\old.txt"), "1");
    ALFile gone(L"old.txt");
    gone.SetFolder(target);
    EXPECT_EQ(gone.Delete(), 0);
    EXPECT_FALSE(exists(L"target\\old.txt"));
    EXPECT_EQ(gone.Delete(), AL_DELETE_ERROR);
    EXPECT_STREQ(gone.status.Text(), L"Error deleting file old.txt, errno = 2 ");
}

TEST_F(InFolder, ReadStringDecodesAnsiOrUtf8) {
    // "caf" + e-acute in UTF-8, then the same name as a Windows-1252 byte.
    folder_.write(L"names.bin", std::string("caf\xC3\xA9") + "caf\xE9" + std::string("\x00\x02", 2) + "ok");
    ALFile in(L"names.bin");
    ASSERT_EQ(in.Open(), 0);
    ALPathName utf8(AL_MIXED), ansi(AL_MIXED), counted(AL_MIXED);
    in.ReadString(utf8, 5, true);
    in.ReadString(ansi, 4, false);
    in.ReadString(counted, -1);
    EXPECT_STREQ(utf8.Name(), L"caf\u00e9");
    if (GetACP() == 1252) {
        EXPECT_STREQ(ansi.Name(), L"caf\u00e9");
    }
    EXPECT_STRNE(ansi.Name(), L"caf\uFFFD");
    EXPECT_STREQ(counted.Name(), L"ok");
    EXPECT_EQ(in.ReadString(counted, -1), AL_READ_ERROR);
    EXPECT_STREQ(in.status.Text(), L"Error reading string lengthin ReadString() for object names.bin");
}

TEST_F(InFolder, CloseAppliesStampAsUtcAndAttributesAfterTheData) {
    ALFile out(L"stamped.txt");
    out.stamp = ALStamp{2024, 3, 1, 12, 0, 0};
    out.attributes.bits = ALAttributeWord::kReadOnly | ALAttributeWord::kHidden;
    ASSERT_EQ(out.Create(), 0);
    out.WriteBuffer(reinterpret_cast<const unsigned char*>("abc"), 3);
    ASSERT_EQ(out.Close(), 0);
    EXPECT_EQ(folder_.read(L"stamped.txt"), "abc");

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW((folder_ / L"stamped.txt").c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
    SYSTEMTIME utc;
    FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
    TIME_ZONE_INFORMATION zone;
    DWORD mode = GetTimeZoneInformation(&zone);
    long bias = zone.Bias + (mode == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
    ALStamp expected = ALStamp::FromSeconds(ALStamp{2024, 3, 1, 12, 0, 0}.ToSeconds() + bias * 60);
    EXPECT_EQ((ALStamp{utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond}), expected);
    if (bias == -60) {  // the test runs with TZ set one hour east of UTC
        EXPECT_EQ(utc.wHour, 11);
    }

    // A read-only file is replaced on the next creation.
    ALFile again(L"stamped.txt");
    ASSERT_EQ(again.Create(), 0);
    again.WriteChar('z');
    again.Close();
    EXPECT_EQ(folder_.read(L"stamped.txt"), "z");
}

// Records where the storage reports progress; optionally cancels there, as the dialog does.
class PositionLog : public ALMonitor {
public:
    void Progress(long position, ALStorage& storage) override {
        positions.push_back(position);
        if (abortFrom >= 0 && position >= abortFrom && storage.status >= 0)
            storage.status.Set(AL_USER_ABORT, "User abort");
    }
    std::vector<long> positions;
    long abortFrom = -1;
};

std::string Pattern(long n, int seed = 0) {
    std::string bytes(static_cast<size_t>(n), '\0');
    for (long i = 0; i < n; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((i * 131) ^ (i >> 9) ^ seed);
    return bytes;
}

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// The disk is read ahead in large steps; callers still see 4,096-byte blocks at the places a
// block-by-block reader would give them, wherever a seek lands.
TEST_F(InFolder, ReadsKeepTheirBlocksAcrossTheReadAhead) {
    constexpr long kStep = ALFile::kDiskStep, kSize = 3 * kStep + 1234;
    const std::string data = Pattern(kSize);
    folder_.write(L"in.bin", data);
    struct Case {
        long offset, count;
    };
    const Case cases[] = {
        {0, 3 * 4096},          {10, 4096},         // inside what was read ahead
        {kStep - 100, 5000},    {kStep - 4096, 8192},  // across its end
        {kStep + 7, 2 * kStep}, {kSize - 10, 100},  {kSize, 1},  // up to the end of the file
        {5, 3},                 {2 * kStep - 1, 4097}, {0, kSize},
    };
    ALFile in(L"in.bin");
    PositionLog log;
    in.SetMonitor(&log);
    ASSERT_EQ(in.Open(), 0);
    for (const Case& c : cases) {
        ASSERT_EQ(in.Seek(c.offset), 0) << c.offset;
        log.positions.clear();
        in.StartCrc();
        long expected = std::min(c.count, kSize - c.offset);
        std::string got(static_cast<size_t>(c.count), '\0');
        ASSERT_EQ(in.ReadBuffer(reinterpret_cast<unsigned char*>(got.data()), c.count), expected) << c.offset;
        got.resize(static_cast<size_t>(expected));
        EXPECT_EQ(got, data.substr(static_cast<size_t>(c.offset), static_cast<size_t>(expected))) << c.offset;
        std::vector<long> steps;
        long crcEnd = c.offset;
        for (long at = c.offset; at < c.offset + expected; at += 4096) {
            steps.push_back(at);
            crcEnd = std::min(at + 4096, kSize);
        }
        EXPECT_EQ(log.positions, steps) << c.offset;
        EXPECT_EQ(in.FinishCrc(), ALUpdateCrc(0xFFFFFFFFu, Bytes(data) + c.offset, static_cast<size_t>(crcEnd - c.offset)))
            << c.offset;
    }
    EXPECT_EQ(in.status.Code(), 0);
}

// Blocks are held back for larger writes: progress steps, sizes and CRCs stay those of
// 4,096-byte writes, and reading a file being written sees what was written.
TEST_F(InFolder, WritesKeepTheirStepsAndReachTheDisk) {
    constexpr long kStep = ALFile::kDiskStep;
    for (long size : {0L, 1L, 4096L, 4097L, kStep, kStep + 1, 2 * kStep + 4095}) {
        const std::string data = Pattern(size);
        PositionLog log;
        {
            ALFile out(L"out.bin");
            out.SetMonitor(&log);
            ASSERT_EQ(out.Create(), 0);
            out.StartCrc();
            for (long at = 0; at < size; at += 1000)
                ASSERT_EQ(out.WriteBuffer(Bytes(data) + at, std::min(1000L, size - at)), std::min(1000L, size - at));
            EXPECT_EQ(out.FinishCrc(), ALUpdateCrc(0xFFFFFFFFu, Bytes(data), static_cast<size_t>(size))) << size;
            EXPECT_EQ(out.Close(), 0);
            EXPECT_EQ(out.Size(), size);
        }
        std::vector<long> steps;
        for (long at = 4096; at < size; at += 4096) steps.push_back(at);  // each full block
        steps.push_back(size);                                           // FinishCrc
        steps.push_back(size);                                           // Close
        EXPECT_EQ(log.positions, steps) << size;
        EXPECT_EQ(folder_.read(L"out.bin"), data) << size;
    }

    const std::string data = Pattern(kStep + 5000);
    ALFile both(L"both.bin");
    ASSERT_EQ(both.Create(), 0);
    ASSERT_EQ(both.WriteBuffer(Bytes(data), kStep + 5000), kStep + 5000);
    unsigned char back[50];
    ASSERT_EQ(both.Seek(100), 0);
    ASSERT_EQ(both.ReadBuffer(back, 50), 50);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 50), data.substr(100, 50));
    ASSERT_EQ(both.Seek(200), 0);
    ASSERT_EQ(both.WriteBuffer(Bytes(std::string("XYZ")), 3), 3);
    ASSERT_EQ(both.Seek(190), 0);
    ASSERT_EQ(both.ReadBuffer(back, 20), 20);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back) + 10, 3), "XYZ");
    EXPECT_EQ(both.Close(), 0);
    std::string expected = data;
    expected.replace(200, 3, "XYZ");
    EXPECT_EQ(folder_.read(L"both.bin"), expected);
}

// A Cancel stops the writing at the block that saw it; every block before it is on the disk.
TEST_F(InFolder, CancelKeepsTheBlocksWrittenBeforeIt) {
    const std::string data = Pattern(20 * 4096);
    for (long abortFrom : {4096L, 3 * 4096L, 19 * 4096L}) {
        PositionLog log;
        log.abortFrom = abortFrom;
        ALFile out(L"cancelled.bin");
        out.SetMonitor(&log);
        ASSERT_EQ(out.Create(), 0);
        EXPECT_LT(out.WriteBuffer(Bytes(data), 20 * 4096), 20 * 4096);
        EXPECT_EQ(out.Close(), AL_USER_ABORT);
        EXPECT_EQ(folder_.read(L"cancelled.bin"), data.substr(0, static_cast<size_t>(abortFrom))) << abortFrom;
    }
}

// The large steps are shared by few files; files beyond them, written and read back
// interleaved, keep their bytes all the same.
TEST_F(InFolder, MoreFilesAtOnceThanLargeStepsKeepTheirBytes) {
    constexpr int kFiles = 4;
    constexpr long kSize = ALFile::kDiskStep + 3 * 4096 + 17;
    std::vector<std::string> data, got(kFiles, std::string(kSize, '\0'));
    std::vector<std::unique_ptr<ALFile>> files;
    for (int i = 0; i < kFiles; ++i) {
        data.push_back(Pattern(kSize, i + 1));
        files.push_back(std::make_unique<ALFile>((L"f" + std::to_wstring(i)).c_str()));
        ASSERT_EQ(files[i]->Create(), 0);
    }
    for (long at = 0; at < kSize; at += 5000)
        for (int i = 0; i < kFiles; ++i)
            ASSERT_EQ(files[i]->WriteBuffer(Bytes(data[i]) + at, std::min(5000L, kSize - at)), std::min(5000L, kSize - at));
    for (auto& f : files) ASSERT_EQ(f->Seek(0), 0);
    for (long at = 0; at < kSize; at += 3000)
        for (int i = 0; i < kFiles; ++i)
            files[i]->ReadBuffer(reinterpret_cast<unsigned char*>(got[i].data()) + at, std::min(3000L, kSize - at));
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(files[i]->Close(), 0);
        EXPECT_EQ(got[i], data[i]) << i;
        EXPECT_EQ(folder_.read(L"f" + std::to_wstring(i)), data[i]) << i;
    }
}

TEST(ALMonitorArithmetic, PercentPaths) {
    EXPECT_EQ(ALPercent(50, 0), -1);
    EXPECT_EQ(ALPercent(250, 1000), 25);
    EXPECT_EQ(ALPercent(2500000, 5000000), 50);  // divisor-by-100 path
    EXPECT_EQ(ALPercent(999999, 1000000), 99);
    EXPECT_EQ(ALPercent(1000, 0xFFFFFFFFu), 0);  // unknown job size

    ALMonitor job(AL_MONITOR_JOB);
    ALFile file(L"unused");
    job.jobSize = 5000000;
    job.completedBytes = 2000000;
    job.objectStart = 100;
    job.objectSize = 1000000;
    job.Progress(500100, file);
    EXPECT_EQ(job.bytesDone, 2500000u);
    EXPECT_EQ(job.percent, 50);

    ALMonitor object(AL_MONITOR_OBJECTS);
    file.SetSize(400);
    object.Progress(100, file);  // object size unknown: taken from the storage
    EXPECT_EQ(object.objectSize, 400);
    EXPECT_EQ(object.percent, 25);
}

}  // namespace

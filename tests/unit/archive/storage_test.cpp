#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "archive/al_engine.h"
#include "archive/al_storage.h"
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
    if (GetACP() == 1252) EXPECT_STREQ(ansi.Name(), L"caf\u00e9");
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
    if (bias == -60) EXPECT_EQ(utc.wHour, 11);  // the test runs with TZ set one hour east of UTC

    // A read-only file is replaced on the next creation.
    ALFile again(L"stamped.txt");
    ASSERT_EQ(again.Create(), 0);
    again.WriteChar('z');
    again.Close();
    EXPECT_EQ(folder_.read(L"stamped.txt"), "z");
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

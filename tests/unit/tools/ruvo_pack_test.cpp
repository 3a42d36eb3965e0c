#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "tests/support/temp_folder.h"
#include "tools/ruvo_pack/packer.h"
#include "tools/ruvo_pack/payload_format.h"

namespace fs = std::filesystem;
using namespace ruvo_pack;
using namespace velmora::test;

namespace {

uint32_t u16(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
uint32_t u32(const std::string& s, size_t at) { return u16(s, at) | u16(s, at + 2) << 16; }

TEST(PayloadFormat, HeaderTrailerAndRecords) {
    std::string header = payloadHeader("setup");
    ASSERT_EQ(header.size(), 1028u);
    EXPECT_EQ(header.substr(0, 4), std::string("\x5B\x3E\x4E\x00", 4));
    EXPECT_EQ(header.substr(4, 18), std::string("Windows\\setup.exe\0", 18));
    EXPECT_EQ(header.find_first_not_of('\0', 4 + 17), std::string::npos);
    EXPECT_EQ(u32(trailer(741376), 0), 740352u);

    ZipRecord m = memberRecord("Windows/setup.kiv", 3);
    m.dosTime = 0x6000;
    m.dosDate = 0x5861;
    m.crc = 0x11223344;
    m.compressedSize = 10;
    m.size = 20;
    m.localHeaderOffset = 0x1234;
    std::string local = localHeader(m);
    ASSERT_EQ(local.size(), 30u + 17 + 11);
    EXPECT_EQ(u32(local, 0), 0x04034b50u);
    EXPECT_EQ(u16(local, 4), 20u);
    EXPECT_EQ(u16(local, 6), 0x0808u);
    EXPECT_EQ(u16(local, 8), 8u);
    EXPECT_EQ(u32(local, 14), 0u);  // CRC and sizes only in the descriptor
    EXPECT_EQ(u32(local, 18), 0u);
    EXPECT_EQ(u32(local, 22), 0u);
    EXPECT_EQ(u16(local, 28), 11u);

    std::string descriptor = dataDescriptor(m);
    EXPECT_EQ(descriptor.size(), 16u);
    EXPECT_EQ(u32(descriptor, 0), 0x08074b50u);
    EXPECT_EQ(u32(descriptor, 4), 0x11223344u);
    EXPECT_EQ(u32(descriptor, 8), 10u);
    EXPECT_EQ(u32(descriptor, 12), 20u);

    std::string central = centralRecord(m);
    ASSERT_EQ(central.size(), 46u + 17 + 11);
    EXPECT_EQ(u16(central, 4), 20u);
    EXPECT_EQ(u16(central, 8), 0x0808u);
    EXPECT_EQ(u32(central, 16), 0x11223344u);
    EXPECT_EQ(u32(central, 38), 0u);  // external attributes
    EXPECT_EQ(u32(central, 42), 0x1234u);
    EXPECT_EQ(central.substr(46, 17), "Windows/setup.kiv");

    std::string end = endRecord(2, 100, 200);
    ASSERT_EQ(end.size(), 22u);
    EXPECT_EQ(u16(end, 8), 2u);
    EXPECT_EQ(u16(end, 10), 2u);
    EXPECT_EQ(u32(end, 12), 100u);
    EXPECT_EQ(u32(end, 16), 200u);
    EXPECT_EQ(u16(end, 20), 0u);
}

TEST(PayloadFormat, ExtraFieldIsAWellFormedBlockOfHexDigits) {
    std::string extra = extraFieldFor(0x1abc);
    ASSERT_EQ(extra.size(), 11u);
    EXPECT_EQ(u16(extra, 0), kExtraHeaderId);
    EXPECT_EQ(u16(extra, 2), 7u);  // the block's own length matches what follows
    EXPECT_EQ(extra.substr(4), "0001abc");
}

TEST(PayloadFormat, StampsNamesAndInstallerNames) {
    DosStamp s = dosStampOf(2024, 3, 1, 13, 45, 31);
    EXPECT_EQ(s.date, (44 << 9) | (3 << 5) | 1);
    EXPECT_EQ(s.time, (13 << 11) | (45 << 5) | 15);
    EXPECT_EQ(dosStampOf(1975, 5, 5, 5, 5, 5).date, (1 << 5) | 1);  // clamped to 1980-01-01

    EXPECT_EQ(installerNameOf("out/Setup.EXE"), "Setup");
    EXPECT_EQ(installerNameOf("C:\\dist\\my app.exe"), "my app");
    EXPECT_FALSE(installerNameOf("setup"));
    EXPECT_FALSE(installerNameOf(".exe"));
    EXPECT_FALSE(installerNameOf("setup.zip"));

    EXPECT_EQ(unportableNameReason("Windows/r\xC3\xA9sum\xC3\xA9.txt"), "");
    EXPECT_EQ(unportableNameReason("console.txt"), "");
    EXPECT_EQ(unportableNameReason("com10.txt"), "");
    for (std::string bad : {"a:b.txt", "a\\b.txt", "what?.txt", "trailing.", "blank /x", "../x", "a//b",
                            "bad\xFF.txt", "tab\t.txt", "", "docs/con.txt", "Nul", "lpt1.log", "COM\xC2\xB9",
                            "lib/lpt\xC2\xB3.txt", "Com\xC2\xB2.tar.gz", "COM1 .log"})
        EXPECT_NE(unportableNameReason(bad), "") << bad;
}

TEST(PayloadFormat, SourceDateEpochReadAndStampedInUtc) {
    struct Case {
        const char* value;
        bool ok;
        std::optional<int64_t> epoch;
    } cases[] = {{nullptr, true, {}},           {"", true, {}},          {"1700000000", true, 1700000000},
                 {"0", true, 0},                {"-5", false, {}},       {"12x", false, {}},
                 {" 12", false, {}},            {"1.5", false, {}},      {"99999999999999999999", false, {}}};
    for (const Case& c : cases) {
        std::optional<int64_t> epoch = 42;
        std::string error;
        EXPECT_EQ(readSourceDateEpoch(c.value, epoch, error), c.ok) << (c.value ? c.value : "(unset)");
        EXPECT_EQ(epoch, c.epoch) << (c.value ? c.value : "(unset)");
        EXPECT_EQ(error.empty(), c.ok) << error;
    }

    struct Stamp {
        int64_t seconds;
        int year, month, day, hour, minute, second;
    } stamps[] = {{315532800, 1980, 1, 1, 0, 0, 0},        {1700000000, 2023, 11, 14, 22, 13, 20},
                  {1709208001, 2024, 2, 29, 12, 0, 1},      {951782400, 2000, 2, 29, 0, 0, 0},
                  {4102444799, 2099, 12, 31, 23, 59, 59},   {0, 1979, 1, 1, 0, 0, 0},  // before 1980: clamped
                  {int64_t(1) << 40, 2108, 1, 1, 0, 0, 0}};  // after 2107: clamped
    for (const Stamp& s : stamps) {
        DosStamp got = dosStampOfEpoch(s.seconds), want = dosStampOf(s.year, s.month, s.day, s.hour, s.minute, s.second);
        EXPECT_EQ(got.date, want.date) << s.seconds;
        EXPECT_EQ(got.time, want.time) << s.seconds;
    }
}

TEST(PackArguments, UsageErrorsHelpAndVersion) {
    auto parse = [](std::vector<std::string> a) { return parseArguments(a); };
    EXPECT_EQ(parse({"--help"}).command, Command::Help);
    EXPECT_EQ(parse({"--stub", "s.exe", "--version"}).command, Command::Version);
    ParsedArguments ok = parse({"--stub", "s.exe", "--out", "o/setup.exe", "--level", "9", "dir"});
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ok.options.level, 9);
    EXPECT_EQ(ok.options.folder, fs::path("dir"));
    EXPECT_EQ(parse({"--out", "o.exe", "dir"}).error, "--stub is missing");
    EXPECT_EQ(parse({"--stub", "s.exe", "dir"}).error, "--out is missing");
    EXPECT_EQ(parse({"--stub", "s.exe", "--out", "o.exe"}).error, "the installer folder is missing");
    EXPECT_EQ(parse({"--stub", "s.exe", "--out", "o.exe", "a", "b"}).error, "give exactly one installer folder");
    EXPECT_EQ(parse({"--stub", "s.exe", "--out", "o.zip", "a"}).error, "--out must name an .exe file");
    EXPECT_EQ(parse({"--stub", "s.exe", "--out", "o.exe", "--level", "10", "a"}).error,
              "--level takes a number from 0 to 9, not '10'");
    EXPECT_EQ(parse({"--stub"}).error, "--stub needs a value");
    EXPECT_EQ(parse({"--fast", "a"}).error, "unknown option '--fast'");
}

TEST(PackLauncher, LauncherFolderRules) {
    auto check = [](std::vector<std::string> names, std::string& error, std::vector<std::string>& warnings) {
        std::vector<SourceFile> files;
        for (auto& n : names) files.push_back({fs::path(), n, 1});
        return checkLauncher(files, "setup", error, warnings);
    };
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_TRUE(check({"Windows/setup.exe", "Windows/setup.kiv"}, error, warnings));
    EXPECT_TRUE(warnings.empty());
    EXPECT_TRUE(check({"Windows_Pure_64_Bit/setup.exe", "Windows_Pure_64_Bit/setup.kiv"}, error, warnings));
    EXPECT_FALSE(check({"InstallerData/a.jar"}, error, warnings));
    EXPECT_NE(error.find("no launcher"), std::string::npos);
    EXPECT_FALSE(check({"Windows/resource/java.exe", "Windows/setup.kiv"}, error, warnings));
    EXPECT_EQ(error, "no launcher: Windows/ holds no .exe file (expected Windows/setup.exe)");
    EXPECT_FALSE(check({"Windows/setup.exe"}, error, warnings));
    EXPECT_EQ(error, "no launcher properties: Windows/ holds no .kiv file (expected Windows/setup.kiv)");
    // The launcher's name is the folder check's finding, which packing shows; not a second warning.
    EXPECT_TRUE(check({"Windows/other.exe", "Windows/other.kiv"}, error, warnings));
    EXPECT_TRUE(warnings.empty());
}

class PackRun : public ::testing::Test {
protected:
    void SetUp() override {
        writeAll(dir_ / "stub.exe", "MZ" + std::string(2000, '\x90'));
        writeAll(dir_ / "src/Windows/setup.exe", "MZ launcher");
        writeAll(dir_ / "src/Windows/setup.kiv", "k=v\n");
        std::string big(300000, '\0');
        std::mt19937 random(7);
        for (auto& c : big) c = static_cast<char>(random() % 7 + 'a');
        writeAll(dir_ / "src/InstallerData/big.txt", big);
        writeAll(dir_ / "src/InstallerData/r\xC3\xA9sum\xC3\xA9.txt", "utf8 name");
        writeAll(dir_ / "src/empty.txt", "");
        fs::create_directories(dir_ / "src/empty-folder");
        options_.stub = dir_ / "stub.exe";
        options_.output = dir_ / "out/setup.exe";
        options_.folder = dir_ / "src";
        fs::create_directories(dir_ / "out");
    }
    bool run() {
        error_.clear();
        return pack(options_, nullptr, error_, warnings_);
    }
    // Nothing of a failed run is left in the output folder.
    bool outputFolderEmpty() const { return fs::is_empty(dir_ / "out"); }

    TempFolder dir_;
    PackOptions options_;
    std::string error_;
    std::vector<std::string> warnings_;
};

TEST_F(PackRun, WritesTheLayoutWithRelativeOffsetsAndInflatableMembers) {
    ASSERT_TRUE(run()) << error_;
    std::string out = readAll(options_.output);
    const size_t stub = 2002, start = stub + 1028;
    EXPECT_EQ(out.substr(0, stub), readAll(options_.stub));
    EXPECT_EQ(u32(out, stub), kSignature);
    EXPECT_EQ(u32(out, out.size() - 4), stub - 1024);
    size_t end = out.size() - 4 - 22;
    ASSERT_EQ(u32(out, end), 0x06054b50u);
    uint32_t count = u16(out, end + 10), directorySize = u32(out, end + 12), directoryOffset = u32(out, end + 16);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(start + directoryOffset + directorySize, end);

    size_t central = start + directoryOffset;
    size_t expectedLocal = 0;
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) {
        ASSERT_EQ(u32(out, central), 0x02014b50u);
        uint32_t crc = u32(out, central + 16), packed = u32(out, central + 20), size = u32(out, central + 24);
        uint32_t nameLength = u16(out, central + 28), extraLength = u16(out, central + 30);
        uint32_t local = u32(out, central + 42);
        EXPECT_EQ(local, expectedLocal);  // back to back from the archive's first byte
        std::string name = out.substr(central + 46, nameLength);
        names.push_back(name);
        EXPECT_EQ(extraLength, 11u);
        EXPECT_EQ(out.substr(central + 46 + nameLength, 11), out.substr(start + local + 30 + nameLength, 11));

        size_t data = start + local + 30 + nameLength + extraLength;
        std::string inflated(size, '\0');
        z_stream z{};
        inflateInit2(&z, -15);
        z.next_in = reinterpret_cast<Bytef*>(&out[data]);
        z.avail_in = packed;
        z.next_out = reinterpret_cast<Bytef*>(inflated.data());
        z.avail_out = size;
        EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << name;
        inflateEnd(&z);
        EXPECT_EQ(inflated, readAll(dir_ / ("src/" + name))) << name;
        EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(inflated.data()), size), crc);
        EXPECT_EQ(u32(out, data + packed), 0x08074b50u);
        EXPECT_EQ(u32(out, data + packed + 4), crc);
        expectedLocal = data + packed + 16 - start;
        central += 46 + nameLength + extraLength;
    }
    EXPECT_EQ(start + expectedLocal, start + directoryOffset);
    EXPECT_EQ(names, (std::vector<std::string>{"InstallerData/big.txt", "InstallerData/r\xC3\xA9sum\xC3\xA9.txt",
                                               "Windows/setup.exe", "Windows/setup.kiv", "empty.txt"}));
}

TEST_F(PackRun, LevelZeroStillDeflatesAndOutputInsideTheFolderIsNotPackedItself) {
    options_.level = 0;
    options_.output = dir_ / "src/setup.exe";
    ASSERT_TRUE(run()) << error_;
    ASSERT_TRUE(run()) << error_;  // the earlier output lies in the folder now
    std::string out = readAll(options_.output);
    EXPECT_EQ(u16(out, out.size() - 4 - 22 + 10), 5u);
    EXPECT_GT(out.size(), 300000u);
}

TEST_F(PackRun, SourceDateEpochMakesTheOutputDependOnlyOnNamesAndContents) {
    options_.sourceDateEpoch = 1700000000;
    ASSERT_TRUE(run()) << error_;
    std::string first = readAll(options_.output);
    for (const char* name : {"src/Windows/setup.exe", "src/InstallerData/big.txt", "src/empty.txt"})
        fs::last_write_time(dir_ / name, fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    ASSERT_TRUE(run()) << error_;
    EXPECT_EQ(readAll(options_.output), first);
    // Every member carries the epoch's time, in UTC; the same folder without it does not.
    DosStamp epoch = dosStampOfEpoch(1700000000);
    size_t end = first.size() - 4 - 22, central = 2002 + 1028 + u32(first, end + 16);
    for (uint32_t i = 0; i < u16(first, end + 10); ++i) {
        EXPECT_EQ(u16(first, central + 12), epoch.time);
        EXPECT_EQ(u16(first, central + 14), epoch.date);
        central += 46 + u16(first, central + 28) + u16(first, central + 30);
    }
    options_.sourceDateEpoch.reset();
    ASSERT_TRUE(run()) << error_;
    EXPECT_NE(readAll(options_.output), first);
}

TEST_F(PackRun, FailuresLeaveNoOutputBehind) {
    options_.folder = dir_ / "missing";
    EXPECT_FALSE(run());
    EXPECT_NE(error_.find("does not exist"), std::string::npos);

    options_.folder = dir_ / "src";
    fs::remove(dir_ / "src/Windows/setup.kiv");
    EXPECT_FALSE(run());
    EXPECT_NE(error_.find("no launcher properties"), std::string::npos);
    writeAll(dir_ / "src/Windows/setup.kiv", "k=v\n");

    writeAll(dir_ / "notpe.exe", std::string(4000, 'x'));
    options_.stub = dir_ / "notpe.exe";
    EXPECT_FALSE(run());
    EXPECT_NE(error_.find("is not a Windows program"), std::string::npos);
    options_.stub = dir_ / "missing-stub.exe";
    EXPECT_FALSE(run());
    EXPECT_NE(error_.find("does not exist"), std::string::npos);
    options_.stub = dir_ / "stub.exe";

    options_.output = dir_ / "out/no-such-folder/setup.exe";
    EXPECT_FALSE(run());
    EXPECT_NE(error_.find("cannot write"), std::string::npos);
    options_.output = dir_ / "out/setup.exe";

    writeAll(dir_ / "src/InstallerData/bad:name.txt", "x");
    if (fs::exists(dir_ / "src/InstallerData/bad:name.txt")) {  // a valid name where the tests run on Linux
        EXPECT_FALSE(run());
        EXPECT_NE(error_.find("not allowed in Windows file names"), std::string::npos);
    }
    EXPECT_TRUE(outputFolderEmpty());
}

TEST_F(PackRun, NamesThatAreOneFileOnWindowsAreRefused) {
    if (!tellsCaseApart(dir_.path())) GTEST_SKIP() << "the file system does not tell letter case apart";
    const struct {
        const char* added;
        const char* first;
        const char* second;
    } cases[] = {
        {"src/InstallerData/BIG.txt", "InstallerData/BIG.txt", "InstallerData/big.txt"},
        {"src/installerdata/other.txt", "InstallerData", "installerdata"},
        {"src/InstallerData/R\xC3\x89sum\xC3\xA9.txt", "InstallerData/R\xC3\x89sum\xC3\xA9.txt",
         "InstallerData/r\xC3\xA9sum\xC3\xA9.txt"},
    };
    for (const auto& c : cases) {
        writeAll(dir_ / c.added, "x");
        EXPECT_FALSE(run()) << c.added;
        EXPECT_NE(error_.find(std::string("'") + c.first + "' and '" + c.second + "' differ only in letter case"),
                  std::string::npos)
            << error_;
        EXPECT_TRUE(outputFolderEmpty());
        fs::remove(dir_ / c.added);
        fs::remove(dir_ / "src/installerdata");
    }
}

TEST_F(PackRun, ExistingOutputIsReplacedOnlyOnSuccess) {
    writeAll(options_.output, "previous installer");
    options_.stub = dir_ / "missing-stub.exe";
    EXPECT_FALSE(run());
    EXPECT_EQ(readAll(options_.output), "previous installer");
    options_.stub = dir_ / "stub.exe";
    ASSERT_TRUE(run()) << error_;
    EXPECT_EQ(readAll(options_.output).substr(0, 2), "MZ");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "out"), fs::directory_iterator()), 1);
}

}  // namespace

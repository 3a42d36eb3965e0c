#include <gtest/gtest.h>

#include "file_rules/vm_version.h"
#include "launcher/vm/vm_probe.h"

using namespace velmora::launcher;

namespace {
std::wstring parsed(const wchar_t* text) { return versionText(parseVersionText(text)); }
}  // namespace

TEST(VersionText, LeadingOneIsDropped) {
    EXPECT_EQ(parsed(L"1.6.0_31"), L"6.0.31");
    EXPECT_EQ(parsed(L"11.0.2"), L"11.0.2");
    EXPECT_EQ(parsed(L"1.8"), L"8.0.0");
    EXPECT_EQ(parsed(L"0.0.0.0"), L"0.0.0");
    EXPECT_EQ(parsed(L"1.4.2_03"), L"4.2.3");
    EXPECT_EQ(parsed(L"1..6__0"), L"6.0.0");  // runs of separators count as one
    EXPECT_EQ(parsed(L".5"), L"0.5.0");       // a leading separator yields an empty first token
    EXPECT_EQ(parsed(L""), L"0.0.0");
    EXPECT_EQ(parsed(L"1.7beta.x"), L"7.0.0");
    EXPECT_EQ(parsed(L"17"), L"17.0.0");
}

TEST(VersionText, PackedOrder) {
    EXPECT_TRUE(parseVersionText(L"1.6.0_31") < parseVersionText(L"1.7"));
    EXPECT_TRUE(parseVersionText(L"1.6.1") < parseVersionText(L"1.6.1_1"));
    EXPECT_EQ((VmVersion{6, 0, 31}.packed()), (6ull << 32) | 31);
}

TEST(ScanDecimal, ReadsLikeAScan) {
    EXPECT_EQ(scanDecimal(L" 12x"), 12);
    EXPECT_EQ(scanDecimal(L"-3"), -3);
    EXPECT_EQ(scanDecimal(L"x"), 0);
    EXPECT_EQ(scanDecimal(L"99999999999"), 2147483647);
}

TEST(ProductVersion, SunAndIbmRules) {
    EXPECT_EQ(versionText(versionFromProductVersion(L"Sun", {6, 0, 310, 5})), L"6.0.310");
    EXPECT_EQ(versionText(versionFromProductVersion(L"Sun", {1, 4, 2, 3})), L"4.2.3");
    EXPECT_EQ(versionText(versionFromProductVersion(L"Sun", {1, 5, 0, 60})), L"5.0.60");
    EXPECT_EQ(versionText(versionFromProductVersion(L"IBM", {6, 0, 0, 0})), L"0.0.0");
    EXPECT_EQ(versionText(versionFromProductVersion(L"IBM", {1, 7, 0, 4})), L"7.0.4");
}

TEST(ProductVersion, PluginMicroIsDividedFromVersionFour) {
    EXPECT_EQ(versionText(versionFromPlugin({11, 3, 1, 7})), L"3.1.7");
    EXPECT_EQ(versionText(versionFromPlugin({11, 5, 0, 125})), L"5.0.12");
}

TEST(VmHome, BinLikeLastDirectoryIsClimbed) {
    EXPECT_EQ(detectHome(L"C:\\jdk1.4\\bin\\java.exe"), L"C:\\jdk1.4");
    EXPECT_EQ(detectHome(L"D:\\tools\\java.exe"), L"D:\\tools");
    EXPECT_EQ(detectHome(L"C:\\x\\binaries\\java.exe"), L"C:\\x");
    EXPECT_EQ(detectHome(L"C:\\x\\jbin\\java.exe"), L"C:\\x");
    EXPECT_EQ(detectHome(L"C:\\bin\\tools\\java.exe"), L"C:\\bin\\tools");  // only the last directory counts
    EXPECT_EQ(detectHome(L"C:\\x\\BIN\\java.exe"), L"C:\\x\\BIN");         // case-sensitive
    EXPECT_EQ(detectHome(L"java.exe"), L".");
}

TEST(VmVendor, CompanyNames) {
    EXPECT_EQ(vendorFromCompany(L"IBM Corporation"), L"IBM");
    EXPECT_EQ(vendorFromCompany(L"International ibm"), L"IBM");
    EXPECT_EQ(vendorFromCompany(L"Oracle Corporation"), L"Sun");
    EXPECT_EQ(vendorFromCompany(L""), L"Sun");
}

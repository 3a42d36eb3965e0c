#include <gtest/gtest.h>

#include "launcher/vm/vm_selection.h"
#include "launcher/vm/vm_validation.h"

using namespace velmora::launcher;

TEST(PropertyValue, Patterns) {
    EXPECT_TRUE(matchPropertyValue(L"anything", L"*"));
    EXPECT_TRUE(matchPropertyValue(L"1.6.0_20", L"1.6*"));
    EXPECT_FALSE(matchPropertyValue(L"1.7.0", L"1.6*"));
    EXPECT_TRUE(matchPropertyValue(L"1.6", L"1.6*x*"));  // the prefix ends at the first '*'
    EXPECT_FALSE(matchPropertyValue(L"1", L"1.6*"));
    EXPECT_TRUE(matchPropertyValue(L"1.4.2", L"1.4..."));
    EXPECT_TRUE(matchPropertyValue(L"1.4", L"1.4......"));
    EXPECT_TRUE(matchPropertyValue(L"x", L"..."));
    EXPECT_TRUE(matchPropertyValue(L"Sun Microsystems Inc.", L"Sun Microsystems Inc."));
    EXPECT_FALSE(matchPropertyValue(L"sun microsystems inc.", L"Sun Microsystems Inc."));
}

TEST(VerifyOutput, HeaderThenOneValuePerCheck) {
    PropertyChecks checks{{L"java.vendor", L"Sun*"}, {L"java.version", L"1.6*"}};
    EXPECT_TRUE(checkVerifyOutput("Verify\njava vendor is first: Sun Inc\n1.6.0_20\n", {{L"java.vendor", L"java*"}}));
    EXPECT_TRUE(checkVerifyOutput("  Verify 1.0\nSun Inc\n1.6.0_20\n\n", checks));
    EXPECT_FALSE(checkVerifyOutput("Verify\n1.6.0_20\nSun Inc\n", checks));
    EXPECT_FALSE(checkVerifyOutput("", {}));
    EXPECT_FALSE(checkVerifyOutput(" \r\n ", {}));
    EXPECT_FALSE(checkVerifyOutput("OK", {}));  // no line feed after the header
    EXPECT_TRUE(checkVerifyOutput("OK\nx", {}));
}

TEST(VerifyOutput, LastLineServesTheRemainingChecks) {
    PropertyChecks checks{{L"a", L"v*"}, {L"b", L"v1"}, {L"c", L"v1"}};
    EXPECT_TRUE(checkVerifyOutput("H\nv1", checks));
    EXPECT_FALSE(checkVerifyOutput("H\nv1\nv2", checks));
}

TEST(VerifyOutput, CarriageReturnsStayInTheLines) {
    PropertyChecks exact{{L"a", L"1.6.0"}, {L"b", L"Sun"}};
    EXPECT_FALSE(checkVerifyOutput("H\r\n1.6.0\r\nSun\r\n", exact));
    PropertyChecks patterns{{L"a", L"1.6..."}, {L"b", L"*"}};
    EXPECT_TRUE(checkVerifyOutput("H\r\n1.6.0\r\nSun\r\n", patterns));
}

TEST(VerifyOutput, Utf8IsDecoded) {
    EXPECT_TRUE(checkVerifyOutput("H\n\xC3\xA9t\xC3\xA9\n", {{L"user.name", L"\u00e9t\u00e9"}}));
}

TEST(VerifyCommand, PropertiesInOrdinalOrder) {
    PropertyChecks checks{{L"java.version", L"*"}, {L"java.vendor", L"*"}};
    EXPECT_EQ(verifyCommandLine(L"C:\\j\\java.exe", L"C:\\s\\Verify.jar", checks),
              L"\"C:\\j\\java.exe\" -classpath \"C:\\s\\Verify.jar\" Verify java.vendor java.version");
}

TEST(Selection, CommandLineVmAndChosenLine) {
    using Args = std::vector<std::wstring>;
    EXPECT_EQ(commandLineVmPath(Args{L"q.exe", L"a", L"KIV_VM", L"C:\\j\\java.exe", L"KIV_VM", L"x"}), L"C:\\j\\java.exe");
    EXPECT_EQ(commandLineVmPath(Args{L"q.exe", L"a", L"KIV_VM"}), L"");
    EXPECT_EQ(commandLineVmPath(Args{L"q.exe", L"kiv_vm", L"x"}), L"");
    EXPECT_EQ(chosenVmLine(L"C:\\Program Files\\Java\\jre6\\bin\\java.exe"),
              L"kiv.nl.current.vm=C:\\\\Program Files\\\\Java\\\\jre6\\\\bin\\\\java.exe\n");
    EXPECT_EQ(chosenVmLine(L"C:\\J\u00e9\\java.exe"), L"kiv.nl.current.vm=C:\\\\J\\u00e9\\\\java.exe\n");
}

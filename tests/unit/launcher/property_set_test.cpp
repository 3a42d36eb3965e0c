#include <gtest/gtest.h>

#include "file_rules/property_set.h"

using namespace velmora::launcher;

TEST(PropertySetReaders, FlagsAndSwitchesTakeDifferentWords) {
    PropertySet set;
    for (auto [key, value] : {std::pair{L"t", L"t"}, {L"T", L"T"}, {L"true", L"TRUE"}, {L"on", L"On"},
                              {L"yes", L"yes"}, {L"empty", L""}, {L"one", L"1"}})
        set.set(key, value);
    EXPECT_TRUE(set.getFlag(L"t"));
    EXPECT_TRUE(set.getFlag(L"T"));
    EXPECT_TRUE(set.getFlag(L"true"));
    EXPECT_TRUE(set.getFlag(L"on"));
    EXPECT_FALSE(set.getFlag(L"yes"));
    EXPECT_FALSE(set.getFlag(L"empty"));
    EXPECT_FALSE(set.getFlag(L"one"));
    EXPECT_FALSE(set.getFlag(L"absent"));

    EXPECT_TRUE(set.getSwitch(L"true"));
    EXPECT_TRUE(set.getSwitch(L"yes"));
    EXPECT_TRUE(set.getSwitch(L"on"));
    EXPECT_FALSE(set.getSwitch(L"t"));
    EXPECT_FALSE(set.getSwitch(L"absent"));
}

TEST(PropertySetReaders, DefaultsOnlyForAbsentKeys) {
    PropertySet set;
    set.set(L"empty", L"");
    EXPECT_EQ(set.getProperty(L"empty", L"fallback"), L"");
    EXPECT_EQ(set.getProperty(L"absent", L"fallback"), L"fallback");
    EXPECT_EQ(set.getInteger(L"absent", L"42"), 42);
    EXPECT_EQ(set.getByteSize(L"absent", L"1k"), 1024);
    EXPECT_EQ(set.getByteSize(L"empty", L"1k"), 0);
}

TEST(PropertySetReaders, Integers) {
    EXPECT_EQ(parseInteger(L"  -17xyz"), -17);
    EXPECT_EQ(parseInteger(L"+5"), 5);
    EXPECT_EQ(parseInteger(L"\t12 3"), 12);
    EXPECT_EQ(parseInteger(L"abc"), 0);
    EXPECT_EQ(parseInteger(L""), 0);
    EXPECT_EQ(parseInteger(L"99999999999999999999"), 2147483647);
    EXPECT_EQ(parseInteger(L"-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(parseInteger(L"-2147483648"), -2147483647 - 1);
}

TEST(PropertySetReaders, ByteSizes) {
    EXPECT_EQ(parseByteSize(L"16777216"), 16777216);
    EXPECT_EQ(parseByteSize(L"64m"), 67108864);
    EXPECT_EQ(parseByteSize(L"48M"), 50331648);
    EXPECT_EQ(parseByteSize(L"512K"), 524288);
    EXPECT_EQ(parseByteSize(L"2g"), 2);  // no giga suffix
    EXPECT_EQ(parseByteSize(L"0"), 0);
    EXPECT_EQ(parseByteSize(L""), 0);
    EXPECT_EQ(parseByteSize(L"-1m"), -1048576);
    // Heaps above 2 GiB must not overflow.
    EXPECT_EQ(parseByteSize(L"2048m"), 2147483648LL);
    EXPECT_EQ(parseByteSize(L"4096m"), 4294967296LL);
    EXPECT_EQ(parseByteSize(L"8388608k"), 8589934592LL);
}

TEST(PropertySetReaders, ClassPathSubstitutionReplacesOnlyTheFirstMarker) {
    EXPECT_EQ(substituteClassPath(L"a.jar;$ENV_CLASSPATH$;b.jar", L"C:\\x.jar"), L"a.jar;C:\\x.jar;b.jar");
    EXPECT_EQ(substituteClassPath(L"$ENV_CLASSPATH$;$ENV_CLASSPATH$", L"x"), L"x;$ENV_CLASSPATH$");
    EXPECT_EQ(substituteClassPath(L"$ENV_CLASSPATH$", L""), L"");
    EXPECT_EQ(substituteClassPath(L"$env_classpath$", L"x"), L"$env_classpath$");
}

#include <gtest/gtest.h>

#include "file_rules/path_text.h"

using namespace velmora::launcher;

TEST(PathText, CollapseSeparators) {
    EXPECT_EQ(collapseSeparators(L"C:\\\\dir\\\\file.txt"), L"C:\\dir\\file.txt");
    EXPECT_EQ(collapseSeparators(L"\\\\server\\share\\\\x"), L"\\\\server\\share\\x");
    EXPECT_EQ(collapseSeparators(L"a//b"), L"a\\\\b");  // slashes turn after collapsing
    EXPECT_EQ(collapseSeparators(L"C:\\\\\\\\x"), L"C:\\x");
    EXPECT_EQ(collapseSeparators(L"C:/dir/x"), L"C:\\dir\\x");
}

TEST(PathText, NamesExtensionsAndParents) {
    EXPECT_EQ(extensionOf(L"C:\\dir.old\\setup"), L"");
    EXPECT_EQ(extensionOf(L"SETUP.EXE"), L"exe");
    EXPECT_EQ(extensionOf(L"C:\\a\\b.tar.GZ"), L"gz");
    EXPECT_FALSE(hasExtension(L"C:\\dir.old\\setup"));
    EXPECT_TRUE(hasExtension(L"setup."));

    EXPECT_EQ(fileNameOf(L"C:\\Apps\\Setup.exe"), L"Setup.exe");
    EXPECT_EQ(fileNameOf(L"C:\\Apps\\Setup.exe", true), L"setup.exe");
    EXPECT_EQ(fileNameOf(L"plain"), L"plain");

    EXPECT_EQ(parentOf(L"setup.kiv", L"."), L".");
    EXPECT_EQ(parentOf(L"C:\\Apps\\setup.kiv", L"."), L"C:\\Apps");

    EXPECT_TRUE(isAbsolute(L"\\dir"));
    EXPECT_TRUE(isAbsolute(L"C:x"));
    EXPECT_FALSE(isAbsolute(L"dir\\x"));
    EXPECT_FALSE(isAbsolute(L""));
}

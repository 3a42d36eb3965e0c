#include <gtest/gtest.h>

#include "file_rules/property_text.h"

using namespace velmora::launcher;

namespace {

PropertySet parse(const std::string& bytes) {
    PropertySet set;
    parsePropertyText(bytes, set);
    return set;
}

}  // namespace

TEST(PropertyReader, SeparatorsCommentsAndBlankLines) {
    PropertySet set = parse(
        "# comment=1\n"
        "\n"
        "   \t\n"
        "a = b = c\n"
        "key=\n"
        "=value\n"
        "no separator here\n"
        " # comment=1\n"
        "colon: not a separator\n"
        "dup=1\n"
        "dup=2\n");
    EXPECT_EQ(set.getProperty(L"a"), L"b = c");
    EXPECT_TRUE(set.contains(L"key"));
    EXPECT_EQ(set.getProperty(L"key", L"default"), L"");
    EXPECT_EQ(set.getProperty(L""), L"value");
    EXPECT_EQ(set.getProperty(L"# comment"), L"1");
    EXPECT_EQ(set.getProperty(L"dup"), L"2");
    EXPECT_FALSE(set.contains(L"# comment=1"));
    EXPECT_FALSE(set.contains(L"colon"));
    EXPECT_EQ(set.size(), 5u);
}

TEST(PropertyReader, OnlyCommentsAndBlanksGiveAnEmptySet) {
    EXPECT_TRUE(parse("#a=1\n\n# b=2\r\n   \n").empty());
    EXPECT_TRUE(parse("").empty());
}

TEST(PropertyReader, KeysAreCaseSensitive) {
    PropertySet set = parse("kiv.user.dir=a\nKIV.USER.DIR=b\n");
    EXPECT_EQ(set.getProperty(L"kiv.user.dir"), L"a");
    EXPECT_EQ(set.getProperty(L"KIV.USER.DIR"), L"b");
}

TEST(PropertyReader, LineEnds) {
    PropertySet set = parse("a=1\r\nb=2\nc=3");  // the last line has no line end
    EXPECT_EQ(set.getProperty(L"a"), L"1");
    EXPECT_EQ(set.getProperty(L"b"), L"2");
    EXPECT_EQ(set.getProperty(L"c"), L"3");
}

TEST(PropertyReader, ControlZEndsTheText) {
    PropertySet set = parse("a=1\n\x1a" "b=2\n");
    EXPECT_EQ(set.getProperty(L"a"), L"1");
    EXPECT_FALSE(set.contains(L"b"));
}

TEST(PropertyReader, BytesAreCharactersWithoutCodePage) {
    PropertySet set = parse("name=caf\xe9\n");
    EXPECT_EQ(set.getProperty(L"name"), std::wstring(L"caf") + wchar_t(0xE9));
}

TEST(PropertyReader, ByteOrderMarkBelongsToTheFirstLine) {
    PropertySet set = parse("\xef\xbb\xbfkey=1\n");
    EXPECT_FALSE(set.contains(L"key"));
    EXPECT_EQ(set.getProperty(std::wstring{wchar_t(0xEF), wchar_t(0xBB), wchar_t(0xBF)} + L"key"), L"1");
    EXPECT_EQ(parse("\xef\xbb\xbf# not a comment=2\n").size(), 1u);
}

TEST(PropertyReader, Continuations) {
    // The first backslash becomes a space; appended lines are plain text.
    PropertySet set = parse("v=first\\\n   next=1\nafter=2\n");
    EXPECT_EQ(set.getProperty(L"v"), L"first next=1");
    EXPECT_FALSE(set.contains(L"next"));
    EXPECT_EQ(set.getProperty(L"after"), L"2");

    // Backslashes ending appended lines continue but stay as written.
    set = parse("v=a\\\nb\\\nc\nw=1\n");
    EXPECT_EQ(set.getProperty(L"v"), L"a b\\c");
    EXPECT_EQ(set.getProperty(L"w"), L"1");

    // On the last line nothing is appended; the space stays.
    set = parse("v=end\\");
    EXPECT_EQ(set.getProperty(L"v"), L"end ");
    set = parse("v=end\\\n");
    EXPECT_EQ(set.getProperty(L"v"), L"end ");

    // A comment-looking line is appended as text.
    set = parse("v=a\\\n# c=d\n");
    EXPECT_EQ(set.getProperty(L"v"), L"a # c=d");
}

TEST(PropertyReader, LinesInFileOrderWithTheirNumbers) {
    // Comments, blank and skipped lines still count; a continued value spans its lines; a
    // repeated key appears each time.
    auto lines = readPropertyLines("# c\r\n\nk=1\nno separator\nv=a\\\nb\\\nc\nk=2");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].key, L"k");
    EXPECT_EQ(lines[0].firstLine, 3);
    EXPECT_EQ(lines[0].lastLine, 3);
    EXPECT_EQ(lines[1].value, L"a b\\c");
    EXPECT_EQ(lines[1].firstLine, 5);
    EXPECT_EQ(lines[1].lastLine, 7);
    EXPECT_EQ(lines[2].value, L"2");
    EXPECT_EQ(lines[2].firstLine, 8);
}

TEST(PropertyReader, EscapesInKeysAndValues) {
    PropertySet set = parse("k=\\u0041\\u00e9\\u20ac\nbad=\\uZZ\nk\\u0032=x\npath=C:\\\\dir\\\\a.jar\n");
    EXPECT_EQ(set.getProperty(L"k"), std::wstring(L"A") + wchar_t(0xE9) + wchar_t(0x20AC));
    EXPECT_EQ(set.getProperty(L"bad"), std::wstring(1, L'\0') + L"ZZ");
    EXPECT_EQ(set.getProperty(L"k2"), L"x");
    EXPECT_EQ(set.getProperty(L"path"), L"C:\\\\dir\\\\a.jar");  // doubled backslashes are kept
}

TEST(PropertyEscapes, Unescape) {
    EXPECT_EQ(unescapePropertyText(L"\\u00e9x"), std::wstring(1, wchar_t(0xE9)) + L"x");
    EXPECT_EQ(unescapePropertyText(L"\\u00411"), L"A1");
    EXPECT_EQ(unescapePropertyText(L"\\u41"), L"A");
    EXPECT_EQ(unescapePropertyText(L"a\\nb\\=c\\\\d"), L"a\\nb\\=c\\\\d");
    EXPECT_EQ(unescapePropertyText(L"end\\"), L"end\\");
    EXPECT_EQ(unescapePropertyText(L"\\u"), std::wstring(1, L'\0'));
}

TEST(PropertyEscapes, Escape) {
    EXPECT_EQ(escapePropertyText(L"C:\\Program Files\\java.exe"), L"C:\\\\Program Files\\\\java.exe");
    EXPECT_EQ(escapePropertyText(std::wstring(L"caf") + wchar_t(0xE9)), L"caf\\u00e9");
    EXPECT_EQ(escapePropertyText(std::wstring(1, wchar_t(0x20AC))), L"\\u20ac");
    // Control characters and DEL, so that no value can end its line early.
    EXPECT_EQ(escapePropertyText(std::wstring(L"a\nb\rc\td") + wchar_t(0x7F) + wchar_t(0) + wchar_t(0x1F)),
              L"a\\u000ab\\u000dc\\u0009d\\u007f\\u0000\\u001f");
    EXPECT_EQ(escapePropertyText(L" ~"), L" ~");
}

TEST(PropertyEscapes, EscapedTextReadsBackUnchanged) {
    const std::wstring original = std::wstring(L"C:\\Users\\") + wchar_t(0x5F20) + wchar_t(0xE9) + L"\\jre";
    std::string line = encodePropertyLine(L"k=" + escapePropertyText(original) + L"\n");
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    PropertySet set = parse(line);
    // The reader keeps backslashes doubled; only the \u escapes are decoded.
    EXPECT_EQ(set.getProperty(L"k"), std::wstring(L"C:\\\\Users\\\\") + wchar_t(0x5F20) + wchar_t(0xE9) + L"\\\\jre");

    // A value with line breaks stays one value and brings no key of its own.
    const std::wstring injected = L"a\nkiv.control-key=true\r\nkiv.nl.current.vm=C:evil.exe";
    set = parse(encodePropertyLine(L"kiv.nl.env.x=" + escapePropertyText(injected) + L"\n") +
                encodePropertyLine(L"kiv.nl.current.vm=C:\\\\jre\\\\java.exe\n"));
    EXPECT_EQ(set.entries().size(), 2u);
    EXPECT_EQ(set.getProperty(L"kiv.nl.env.x"), injected);
    EXPECT_EQ(set.getProperty(L"kiv.nl.current.vm"), L"C:\\\\jre\\\\java.exe");
}

TEST(PropertyWriter, LinesAreBytesWithCrLf) {
    EXPECT_EQ(encodePropertyLine(L"kiv.control-key=true\n"), "kiv.control-key=true\r\n");
    EXPECT_EQ(encodePropertyLine(std::wstring(L"x=") + wchar_t(0xE9)), "x=\xe9");
    // Nothing above one byte is cut: it is stored as an escape the reader decodes.
    EXPECT_EQ(encodePropertyLine(std::wstring(L"x=") + wchar_t(0x20AC)), "x=\\u20ac");
}

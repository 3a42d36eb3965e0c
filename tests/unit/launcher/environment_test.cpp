#include <gtest/gtest.h>

#include "file_rules/list_split.h"
#include "launcher/environment_snapshot.h"

using namespace velmora::launcher;

namespace {

// Expands %NAME% against the given snapshot entries, the way the system call would.
EnvironmentSnapshot snapshotOf(const std::vector<std::wstring>& entries) {
    return EnvironmentSnapshot(entries, [](const std::wstring& value) {
        std::wstring out = value;
        size_t at = out.find(L"%HOME%");
        if (at != std::wstring::npos) out.replace(at, 6, L"C:\\Users\\me");
        return out;
    });
}

using Pieces = std::vector<std::wstring>;

}  // namespace

TEST(ListSplit, EmptyPiecesAndSpaces) {
    EXPECT_EQ(splitList(L"C:\\a;;C:\\b ;", L';'), (Pieces{L"C:\\a", L"C:\\b "}));
    EXPECT_EQ(splitList(L";a;b", L';'), (Pieces{L"", L"a", L"b"}));
    EXPECT_EQ(splitList(L"  a ; b  ", L';'), (Pieces{L"a ", L" b"}));
    EXPECT_EQ(splitList(L"", L';'), Pieces{});
    EXPECT_EQ(splitList(L"   ", L';'), Pieces{});
    EXPECT_EQ(splitList(L";", L';'), Pieces{L""});
}

TEST(EnvironmentSnapshot, EntriesAndEmptyNames) {
    auto env = snapshotOf({L"A=1", L"=C:=C:\\dir", L"B=x=y", L"A=2"});
    EXPECT_EQ(env.variables().at(L"A"), L"2");
    EXPECT_EQ(env.variables().at(L"B"), L"x=y");
    EXPECT_EQ(env.variables().at(L""), L"C:=C:\\dir");
    EXPECT_EQ(env.getExpanded(L"missing"), L"");
}

TEST(EnvironmentSnapshot, PathDirectoriesTakeTheFirstPathVariableInNameOrder) {
    EXPECT_EQ(snapshotOf({L"Path=C:\\a;;C:\\b ;"}).pathDirectories(), (Pieces{L"C:\\a", L"C:\\b "}));
    // "PATH" sorts before "Path" and "path".
    EXPECT_EQ(snapshotOf({L"path=C:\\low", L"PATH=C:\\up", L"Path=C:\\mixed"}).pathDirectories(), Pieces{L"C:\\up"});
    EXPECT_EQ(snapshotOf({L"Path=%HOME%\\bin"}).pathDirectories(), Pieces{L"C:\\Users\\me\\bin"});
    EXPECT_EQ(snapshotOf({L"X=1"}).pathDirectories(), Pieces{});
}

TEST(EnvironmentSnapshot, EnvironmentLines) {
    auto lines = snapshotOf({L"JAVA_HOME=C:\\Java", L"Ref=%HOME%"}).environmentLines();
    EXPECT_EQ(lines, (Pieces{L"kiv.nl.env.java_home=C:\\\\Java\n", L"kiv.nl.env.JAVA_HOME=C:\\\\Java\n",
                             L"kiv.nl.env.exact_case.JAVA_HOME=C:\\\\Java\n",
                             L"kiv.nl.env.ref=C:\\\\Users\\\\me\n", L"kiv.nl.env.REF=C:\\\\Users\\\\me\n",
                             L"kiv.nl.env.exact_case.Ref=C:\\\\Users\\\\me\n"}));
}

TEST(EnvironmentSnapshot, CaseConversionAlsoChangesEscapes) {
    auto lines = snapshotOf({std::wstring(L"Caf") + wchar_t(0xE9) + L"=v"}).environmentLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], L"kiv.nl.env.caf\\u00e9=v\n");
    EXPECT_EQ(lines[1], L"kiv.nl.env.CAF\\U00E9=v\n");
    EXPECT_EQ(lines[2], L"kiv.nl.env.exact_case.Caf\\u00e9=v\n");
}

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "launcher/vm/extended_vm_candidates.h"

using namespace velmora::launcher;

namespace {

// A registry as a set of key paths; listing a key gives its direct subkeys in set order.
SubkeyLister fakeRegistry(std::set<std::wstring> keys) {
    return [keys = std::move(keys)](const std::wstring& parent) {
        std::vector<std::wstring> names;
        const std::wstring prefix = parent + L"\\";
        for (const auto& key : keys)
            if (key.starts_with(prefix) && key.find(L'\\', prefix.size()) == std::wstring::npos)
                names.push_back(key.substr(prefix.size()));
        return names;
    };
}

// Every key and its parents.
std::set<std::wstring> withParents(std::initializer_list<std::wstring> leaves) {
    std::set<std::wstring> keys;
    for (std::wstring key : leaves)
        for (;;) {
            keys.insert(key);
            size_t slash = key.rfind(L'\\');
            if (slash == std::wstring::npos) break;
            key.resize(slash);
        }
    return keys;
}

}  // namespace

// Each layout follows only its own key levels; every maker's home value is read end to end
// by the system tests.
TEST(ExtendedCandidates, VendorLayoutsFollowOnlyTheirOwnLevels) {
    const SubkeyLister registry = fakeRegistry(withParents({
        L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI",
        L"SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.9.9\\openj9\\msi",  // names ignore case
        L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\Other",
        L"SOFTWARE\\Eclipse Adoptium\\Tools\\1.0\\hotspot\\MSI",
        L"SOFTWARE\\Microsoft\\JDK\\17.0.1.12\\openj9\\MSI",
        L"SOFTWARE\\Microsoft\\Office\\16.0\\hotspot\\MSI",
        L"SOFTWARE\\Semeru\\JDK\\17.0.8.1\\openj9\\MSI",
        L"SOFTWARE\\Semeru\\JRE\\11.0.20.1\\hotspot\\MSI",
        L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17",
        L"SOFTWARE\\Azul Systems\\Zulu\\zulu-8-jre",
        L"SOFTWARE\\SapMachine\\JDK\\21\\extra",
    }));
    std::vector<std::wstring> found;
    for (const auto& layout : vendorLayouts())
        for (auto& key : vendorHomeKeys(layout, registry)) found.push_back(std::move(key));
    EXPECT_EQ(found, (std::vector<std::wstring>{
                         L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI",
                         L"SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.9.9\\openj9\\msi",
                         L"SOFTWARE\\Semeru\\JDK\\17.0.8.1\\openj9\\MSI",
                         L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17",
                         L"SOFTWARE\\Azul Systems\\Zulu\\zulu-8-jre",
                         L"SOFTWARE\\SapMachine\\JDK\\21",
                     }));
}

TEST(ExtendedCandidates, InstallFolderParents) {
    using Environment = std::map<std::wstring, std::wstring>;
    auto parentsOf = [](const Environment& variables) {
        return installFolderParents([&](const std::wstring& name) {
            auto it = variables.find(name);
            return it == variables.end() ? std::wstring() : it->second;
        });
    };
    const size_t perBase = vendorInstallFolders().size();

    // A 64-bit launcher: ProgramW6432 repeats ProgramFiles (with a trailing backslash here).
    std::vector<std::wstring> parents = parentsOf({{L"ProgramFiles", L"C:\\Program Files"},
                                                   {L"ProgramW6432", L"c:\\program files\\"},
                                                   {L"ProgramFiles(x86)", L"C:\\Program Files (x86)"},
                                                   {L"LOCALAPPDATA", L"C:\\Users\\ann\\AppData\\Local"},
                                                   {L"USERPROFILE", L"C:\\Users\\ann"}});
    ASSERT_EQ(parents.size(), 3 * perBase + 1);
    EXPECT_EQ(parents[0], L"C:\\Program Files\\Java");
    EXPECT_EQ(parents[perBase], L"C:\\Program Files (x86)\\Java");
    EXPECT_EQ(parents[2 * perBase + 5], L"C:\\Users\\ann\\AppData\\Local\\Programs\\Zulu");
    EXPECT_EQ(parents.back(), L"C:\\Users\\ann\\.jdks");

    // A 32-bit launcher sees the x86 folder as ProgramFiles and the other one as ProgramW6432.
    parents = parentsOf({{L"ProgramFiles", L"C:\\Program Files (x86)"},
                         {L"ProgramW6432", L"C:\\Program Files"},
                         {L"ProgramFiles(x86)", L"C:\\Program Files (x86)"}});
    ASSERT_EQ(parents.size(), 2 * perBase);
    EXPECT_EQ(parents[perBase + 1], L"C:\\Program Files\\Eclipse Adoptium");

    EXPECT_TRUE(parentsOf({}).empty());
}

TEST(ExtendedCandidates, HomeText) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Program Files\\Eclipse Adoptium\\jdk-21.0.1.12-hotspot\\", L"C:\\Program Files\\Eclipse Adoptium\\jdk-21.0.1.12-hotspot"},
        {L"  \"C:\\jdk 17\\\"  ", L"C:\\jdk 17"},
        {L"C:/jdk//", L"C:/jdk"},
        {L"\"", L"\""},
        {L" \t", L""},
    };
    for (const auto& [text, home] : cases) EXPECT_EQ(cleanHomeText(text), home) << text;
}

TEST(ExtendedCandidates, ScreeningSkipsStaleAndRepeatedHomes) {
    // C:\link\jdk is a link to C:\jdk21; names ignore case.
    const std::set<std::wstring> files{L"C:\\jdk21\\bin\\java.exe", L"C:\\link\\jdk\\bin\\java.exe",
                                       L"C:\\jdk17\\bin\\java.exe", L"C:\\JDK8\\bin\\java.exe"};
    const ScreenWorld world{
        [&](const std::wstring& path) { return files.count(path) != 0; },
        [](const std::wstring& path) {
            return path == L"C:\\link\\jdk\\bin\\java.exe" ? std::wstring(L"C:\\jdk21\\bin\\java.exe") : path;
        }};
    const std::vector<ExtendedCandidate> candidates{
        {L"JAVA_HOME", L"C:\\jdk21\\", L""},
        {L"registry A", L"", L"Path is not a string value"},
        {L"registry B", L"C:\\gone", L""},
        {L"registry C", L"C:\\link\\jdk", L""},
        {L"registry D", L" ", L""},
        {L"folder E", L"C:\\jdk17", L""},
        {L"folder F", L"C:\\JDK8", L""},
        {L"folder G", L"C:\\JDK21", L""},  // not a file under that spelling here
    };
    const struct {
        bool kept;
        const wchar_t* executable;
        const wchar_t* reason;
    } expected[] = {
        {true, L"C:\\jdk21\\bin\\java.exe", L""},
        {false, L"", L"Path is not a string value"},
        {false, L"C:\\gone\\bin\\java.exe", L"no bin\\java.exe in C:\\gone"},
        {false, L"C:\\link\\jdk\\bin\\java.exe", L"the same VM as JAVA_HOME"},
        {false, L"", L"the home is empty"},
        {true, L"C:\\jdk17\\bin\\java.exe", L""},
        {false, L"C:\\JDK8\\bin\\java.exe", L"already among the installed VMs"},
        {false, L"C:\\JDK21\\bin\\java.exe", L"no bin\\java.exe in C:\\JDK21"},
    };
    std::vector<CandidateVerdict> verdicts = screenCandidates(candidates, {L"C:\\jdk8\\bin\\java.exe"}, world);
    ASSERT_EQ(verdicts.size(), std::size(expected));
    for (size_t i = 0; i < verdicts.size(); ++i) {
        EXPECT_EQ(verdicts[i].source, candidates[i].source);
        EXPECT_EQ(verdicts[i].kept, expected[i].kept) << i;
        EXPECT_EQ(verdicts[i].executable, expected[i].executable) << i;
        EXPECT_EQ(verdicts[i].reason, expected[i].reason) << i;
    }
}

TEST(ExtendedCandidates, WhichSearchARunWithoutVmExtends) {
    const struct {
        bool found;
        const wchar_t* option;
        int32_t withoutVmOption;
        bool specFiles;
        ExtendedSearchKind kind;
    } cases[] = {
        {false, L"", 10, true, ExtendedSearchKind::ValidList},  // no build options: the list decides
        {true, L"withoutvm", 10, false, ExtendedSearchKind::ValidList},
        {true, L"withoutvm", 11, false, ExtendedSearchKind::ValidList},
        {true, L"withoutvm", 10, true, ExtendedSearchKind::SpecFiles},
        {true, L"withoutvm", 11, true, ExtendedSearchKind::SpecFiles},
        {true, L"withoutvm", 12, true, ExtendedSearchKind::None},
        {true, L"withoutvm", 13, false, ExtendedSearchKind::None},
        {true, L"withvm", 10, false, ExtendedSearchKind::None},
        {true, L"WithoutVM", 10, false, ExtendedSearchKind::None},
        {true, L"", 10, false, ExtendedSearchKind::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(extendedSearchAfter(c.found, c.option, c.withoutVmOption, c.specFiles), c.kind)
            << c.found << " " << static_cast<int>(c.withoutVmOption);
}

// VM specification files, registry and path hint texts, and the platform pick, without
// touching the system.
#include <gtest/gtest.h>

#include "file_rules/path_text.h"
#include "file_rules/vm_spec_file.h"
#include "launcher/vm/path_hints.h"
#include "launcher/vm/registry_hints.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm/vm_spec_search.h"

using namespace velmora::launcher;
using namespace std::literals;

namespace {

VmSpec parsed(std::string_view text) {
    VmSpec spec;
    parseVmSpecText(text, spec);
    return spec;
}

}  // namespace

TEST(VmSpecFile, KeysSectionsAndComments) {
    VmSpec spec = parsed(
        "# JVM_EXE: commented\r\n"
        "DESC: a runtime that mentions JVM_EXE: too\r\n"
        "  JVM_EXE:   bin\\java.exe  \r\n"
        "BOOT_CLASSPATH: boot.jar\n"
        "VERBOSE_GC: yes\n"
        "MAX_JAVA_HEAP: 64m\n"
        "no key on this line\n"
        "JVM_PROPERTIES\n"
        "  \"java.version = 1.6*\"  \n"
        "java.vendor=Sun*\n"
        "java.version=1.7*\n"
        "# a comment inside a section\n"
        "\n"
        "os.arch\n"
        "JVM_EXE: still inside the section\n"
        "/:\n"
        "Some text. PATH_HINT: opens the path section\n"
        "  ..\\jre  \n"
        "end /:\n"
        "PLATFORM_HINT:\n"
        "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\JavaHome\n"
        "\\HKEY_CURRENT_USER\\SOFTWARE\\B\\JavaHome\n");

    // The description line is tested for DESC: first; JVM_EXE: takes the later line.
    EXPECT_EQ(spec.value(L"DESC:"), L"a runtime that mentions JVM_EXE: too");
    EXPECT_EQ(spec.jvmExe(), L"bin\\java.exe");
    EXPECT_EQ(spec.value(L"CLASSPATH:"), L"boot.jar");
    EXPECT_EQ(spec.value(L"BOOT_CLASSPATH:"), L"");
    EXPECT_EQ(spec.value(L"MAX_JAVA_HEAP:"), L"64m");
    EXPECT_EQ(spec.values.count(L"VERBOSE_GC:"), 0u);

    PropertyChecks expected{{L"java.vendor", L"Sun*"}, {L"java.version", L"1.6*"}, {L"os.arch", L"os.arch"},
                            {L"JVM_EXE: still inside the section", L"JVM_EXE: still inside the section"}};
    EXPECT_EQ(spec.propertyChecks, expected);
    EXPECT_EQ(spec.pathHints, std::vector<std::wstring>{L"..\\jre"});
    EXPECT_EQ(spec.registryHints, (std::vector<std::wstring>{L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\JavaHome",
                                                             L"\\HKEY_CURRENT_USER\\SOFTWARE\\B\\JavaHome"}));
}

TEST(VmSpecFile, BytesAreCharactersAndSingleValuesOutliveAFile) {
    VmSpec spec;
    parseVmSpecText("JVM_EXE: j\xe9\\bin\\java.exe\nJVM_PROPERTIES\na=1\n/:\nPATH_HINT:\nfirst\n", spec);
    EXPECT_EQ(spec.jvmExe(), L"j\u00e9\\bin\\java.exe");  // one character per byte, not UTF-8

    // A section left open at the end of one file does not reach into the next.
    parseVmSpecText("PATH_HINT:\nsecond\nPLATFORM_HINT:\n", spec);
    EXPECT_EQ(spec.jvmExe(), L"j\u00e9\\bin\\java.exe");
    EXPECT_TRUE(spec.propertyChecks.empty());
    EXPECT_EQ(spec.pathHints, (std::vector<std::wstring>{L"second", L"PLATFORM_HINT:"}));
    parseVmSpecText("JVM_EXE:\n", spec);
    EXPECT_EQ(spec.jvmExe(), L"");
    EXPECT_TRUE(spec.pathHints.empty());
}

TEST(RegistryHints, HiveKeyAndValue) {
    RegistryHint hint = splitRegistryHint(L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\\JavaHome");
    EXPECT_EQ(hint.hive, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(hint.keyPath, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6");
    EXPECT_EQ(hint.valueName, L"JavaHome");

    EXPECT_EQ(hiveOfHint(L"\\HKEY_CURRENT_CONFIG\\x"), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(hiveOfHint(L"\\HKEY_PERFORMANCE_NLSTEXT\\x"), HKEY_PERFORMANCE_NLSTEXT);
    EXPECT_EQ(hiveOfHint(L"\\hkey_local_machine\\x"), nullptr);  // case-sensitive
    EXPECT_EQ(hiveOfHint(L"HKEY_LOCAL_MACHINE\\x"), nullptr);    // the leading backslash belongs to it

    hint = splitRegistryHint(L"\\HKEY_USERS\\Home");
    EXPECT_EQ(hint.hive, HKEY_USERS);
    EXPECT_EQ(hint.keyPath, L"");
    EXPECT_EQ(hint.valueName, L"Home");
}

TEST(RegistryHints, WildcardExpandsTheLastStarOnly) {
    WildcardHint hint;
    ASSERT_TRUE(splitWildcardHint(L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.*\\JavaHome",
                                  hint));
    EXPECT_EQ(hint.hive, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(hint.parentKeyPath, L"SOFTWARE\\JavaSoft\\Java Runtime Environment");
    EXPECT_EQ(hint.prefix, L"1.");
    EXPECT_EQ(expandWildcardLine(hint, {L"1.6", L"CurrentVersion", L"1.5", L"11"}),
              (std::vector<std::wstring>{
                  L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\\JavaHome",
                  L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.5\\JavaHome"}));

    ASSERT_TRUE(splitWildcardHint(L"\\HKEY_CURRENT_USER\\A*\\B*\\Home", hint));
    EXPECT_EQ(hint.parentKeyPath, L"A*");  // the first star is left for the key to contain
    EXPECT_EQ(expandWildcardLine(hint, {L"Bx"}), std::vector<std::wstring>{L"\\HKEY_CURRENT_USER\\A*\\Bx\\Home"});

    ASSERT_TRUE(splitWildcardHint(L"\\HKEY_LOCAL_MACHINE\\SOFT*\\Home", hint));
    EXPECT_EQ(hint.parentKeyPath, L"");  // the hive's own subkeys
    EXPECT_FALSE(splitWildcardHint(L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Home", hint));
    ASSERT_TRUE(splitWildcardHint(L"1.*", hint));
    EXPECT_EQ(hint.hive, nullptr);
}

TEST(PathHints, DotsDecideAndSeaLocIsCut) {
    EXPECT_EQ(pathHintLevels(L"Program Files\\Java\\jre"), 0);
    EXPECT_EQ(pathHintLevels(L"jre1.6"), 0);
    EXPECT_EQ(pathHintLevels(L"jre1.6.0"), 1);  // two dots: beside the installer, not on a drive
    EXPECT_EQ(pathHintLevels(L"..\\..\\jre"), 2);
    EXPECT_EQ(collapseSeparators(driveHintExecutable(L"D:", L"\\Java\\jre", L"bin\\java.exe")),
              L"D:\\Java\\jre\\bin\\java.exe");

    std::wstring location = seaLocation("C:\\Users\\Ann\\Downloads\\setup.exe\n\0junk"sv);
    EXPECT_EQ(location, L"C:\\Users\\Ann\\Downloads\\setup.exe\n");
    EXPECT_EQ(installerHintExecutable(location, L"..\\jre", 1, L"bin\\java.exe"), L"C:\\Users\\Ann\\jre\\bin\\java.exe");
    // Only the dots and the last component of the hint count.
    EXPECT_EQ(installerHintExecutable(location, L"..\\..\\x\\jre", 2, L"bin\\java.exe"), L"C:\\Users\\jre\\bin\\java.exe");
    EXPECT_EQ(installerHintExecutable(location, L"jre1.6.0", 1, L"java.exe"), L"C:\\Users\\Ann\\jre1.6.0\\java.exe");
    EXPECT_EQ(cutComponents(L"C:\\a", 5), L"C:");

    EXPECT_EQ(seaLocation("\xEF\xBB\xBF" "C:\\\xE5\xB1\xB1\\setup.exe\n"), L"C:\\\u5c71\\setup.exe\n");
    EXPECT_EQ(seaLocFilePath(L"C:\\Temp\\I123\\Windows"), L"C:\\Temp\\I123\\sea_loc");
}

TEST(SpecSearch, PlatformPicksBetweenMarkedAndUnmarked) {
    auto resultsWith = [](bool unmarked, bool marked) {
        SpecSearchResults results;
        for (int i = 0; i < 2; ++i) {
            if (unmarked) results.add(std::make_unique<StandardVm>());
            if (marked) {
                auto record = std::make_unique<StandardVm>();
                record->is64Bit = 1;
                results.add(std::move(record));
            }
        }
        if (unmarked) results.unmarked.front()->home = L"first unmarked";
        if (marked) results.marked.front()->home = L"first marked";
        return results;
    };
    auto pick = [&](int64_t platform, bool unmarked, bool marked) {
        SpecSearchResults results = resultsWith(unmarked, marked);
        auto record = pickSpecSearchResult(results, platform);
        return record ? record->home : L"none";
    };
    EXPECT_EQ(pick(0, true, true), L"first marked");
    EXPECT_EQ(pick(0, true, false), L"first unmarked");
    EXPECT_EQ(pick(1, true, true), L"first unmarked");
    EXPECT_EQ(pick(1, false, true), L"first marked");
    EXPECT_EQ(pick(2, true, false), L"none");
    EXPECT_EQ(pick(2, true, true), L"first marked");
    EXPECT_EQ(pick(3, false, true), L"none");
    EXPECT_EQ(pick(4, true, true), L"none");
    EXPECT_EQ(pick(1, false, false), L"none");
}

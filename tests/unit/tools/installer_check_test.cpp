#include "tools/ruvo_pack/installer_check.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/support/zip_writer.h"
#include "tests/unit/tools/pe_builder.h"
#include "tools/ruvo_pack/installer_keys.h"
#include "tools/ruvo_pack/jar_listing.h"
#include "tools/ruvo_pack/launcher_choice.h"

using namespace ruvo_pack;
using namespace tool_test;
using namespace velmora::test;
namespace {

// A jar holding these members, each with a little data.
std::string jarOf(const std::vector<std::string>& members) {
    std::vector<velmora::test::ZipMember> entries(members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        entries[i].name = members[i];
        entries[i].data = "class";
    }
    return velmora::test::zipArchive(entries);
}

const std::string kKiv =
    "kiv.nl.java.launcher.main.class=com.example.Main\n"
    "kiv.class.path=lib\\\\app.jar;classes\n"
    "kiv.nl.valid.vm.list=JRE_1.8+ 11*\n"
    "kiv.nl.java.option.java.heap.size.max=512m\n";

const std::string kBuildOptions =
    "build.option=withoutvm\n"
    "build.without.vm.search.option=10\n"
    "build.jvmspec.applicable=true\n"
    "build.jvmspec.total.num=1\n"
    "build.jvmspec.0=jre8.spec\n";

const std::string kSpecFile =
    "JVM_EXE: bin\\java.exe\n"
    "JVM_PROPERTIES\n"
    "java.version=1.8*\n"
    "/:\n"
    "PLATFORM_HINT:\n"
    "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\JRE\\1.8*\\JavaHome\n"
    "/:\n";

// A sound installer folder: launcher, .kiv, a jar and a class folder, build options with one
// specification file.
std::map<std::string, std::string> soundFolder() {
    return {{"Windows/MyApp.exe", "MZ"},
            {"Windows/MyApp.kiv", kKiv},
            {"Windows/lib/app.jar", jarOf({"com/example/Main.class"})},
            {"Windows/classes/readme.txt", "x"},
            {"Windows/jvmspecs/jvmspecs.properties", kBuildOptions},
            {"Windows/jvmspecs/jre8.spec", kSpecFile},
            {"Windows/jvmspecs/Verify.jar", jarOf({"Verify.class"})}};
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

struct CheckCase {
    const char* name;
    std::map<std::string, std::string> changes;  // path -> new content; "" removes the file
    std::vector<std::string> expected;
    std::string installerName = "MyApp";
};

constexpr char kNulName[] = "kiv.application.name=My\0App\n";

const CheckCase kCases[] = {
    {"sound folder", {}, {}},
    {"windowed launcher", {{"Windows/MyApp.exe", programOf(2)}},
     {"Windows/MyApp.exe: note: the windowed launcher (quillrunw): no console window, errors in message boxes"}},
    {"console launcher", {{"Windows/MyApp.exe", programOf(3)}},
     {"Windows/MyApp.exe: note: the console launcher (quillrun): the program shares a console window"}},
    {"a console when started from one: the windowed launcher's key",
     {{"Windows/MyApp.exe", programOf(2)}, {"Windows/MyApp.kiv", kKiv + "kiv.attach.console=true\n"}},
     {"Windows/MyApp.exe: note: the windowed launcher (quillrunw): no console window, errors in message boxes"}},
    {"a console when started from one, beside the console launcher",
     {{"Windows/MyApp.exe", programOf(3)}, {"Windows/MyApp.kiv", kKiv + "kiv.attach.console=on\n"}},
     {"Windows/MyApp.exe: note: the console launcher (quillrun): the program shares a console window",
      "Windows/MyApp.kiv:5: warning: kiv.attach.console=on: the console launcher ignores it: it always runs in the "
      "console it is started from"}},
    {"no Windows program", {{"Windows/MyApp.exe", programOf(3).substr(0, 120)}}, {}},
    {"misspelled key",
     {{"Windows/MyApp.kiv", kKiv + "kiv.nl.java.option.java.heap.size.intial=16m\nmy.own.key=1\n"}},
     {"Windows/MyApp.kiv:5: warning: kiv.nl.java.option.java.heap.size.intial: unknown key; did you mean "
      "kiv.nl.java.option.java.heap.size.initial?"}},
    {"missing jar",
     {{"Windows/MyApp.kiv", replaced(kKiv, "classes", "lib\\\\gone.jar;classes")}},
     {"Windows/MyApp.kiv:2: error: class path entry 'lib\\\\gone.jar': Windows/lib/gone.jar is not in the folder"}},
    {"main class in no jar",
     {{"Windows/MyApp.kiv", replaced(kKiv, "com.example.Main", "com.example.Other")}},
     {"Windows/MyApp.kiv:1: error: main class com.example.Other (com/example/Other.class) is in none of the class "
      "path's jars and folders"}},
    {"main class in a class folder",
     {{"Windows/MyApp.kiv", replaced(kKiv, "com.example.Main", "com.example.Loose")},
      {"Windows/classes/com/example/Loose.class", "class"}},
     {}},
    {"heap size in gigabytes",
     {{"Windows/MyApp.kiv", replaced(kKiv, "512m", "2g")}},
     {"Windows/MyApp.kiv:4: error: kiv.nl.java.option.java.heap.size.max=2g: the launcher knows the units k and m "
      "only and reads \"2g\" as 2 bytes; write 2048m"}},
    {"colon as class path separator",
     {{"Windows/MyApp.kiv", replaced(kKiv, "lib\\\\app.jar;classes", "lib/app.jar:classes")}},
     {"Windows/MyApp.kiv:1: error: main class com.example.Main (com/example/Main.class) is in none of the class "
      "path's jars and folders",
      "Windows/MyApp.kiv:2: error: class path entry 'lib/app.jar:classes' contains ':', which does not separate "
      "entries: the launcher splits the class path at ';' only"}},
    {"valid-VM list entries that match no VM",
     {{"Windows/MyApp.kiv", replaced(kKiv, "JRE_1.8+ 11*", "JRE_1.8plus 11.0.2* 1.*8 j2")}},
     {"Windows/MyApp.kiv:3: error: valid-VM list entry JRE_1.8plus: 1.8PLUS is neither a kind nor a version, so the "
      "launcher hands it to the validator class com.merrow.util.jvm.Validator, which the class path does not hold: "
      "the entry matches no VM",
      "Windows/MyApp.kiv:3: error: valid-VM list entry 11.0.2* matches no VM: a '*' after a third version number "
      "never matches; write 11.0*",
      "Windows/MyApp.kiv:3: error: valid-VM list entry 1.*8: '*' and '+' count only at the end of the version (such "
      "as 1.8* or 1.8+)"}},
    {"validator class in the class path",
     {{"Windows/MyApp.kiv", replaced(kKiv, "JRE_1.8+", "CHECK_JRE")},
      {"Windows/classes/com/merrow/util/jvm/Validator.class", "class"}},
     {}},
    {"unknown build option",
     {{"Windows/jvmspecs/jvmspecs.properties", replaced(kBuildOptions, "withoutvm", "withjvm")}},
     {"Windows/jvmspecs/jvmspecs.properties:1: error: build.option is 'withjvm': the launcher finds no VM unless it "
      "is withvm or withoutvm (in lower case)"}},
    {"missing specification file",
     {{"Windows/jvmspecs/jre8.spec", ""}},
     {"Windows/jvmspecs/jvmspecs.properties:5: error: the specification file Windows/jvmspecs/jre8.spec is not in "
      "the folder: the launcher stops with an error"}},
    {"search by specification files without Verify.jar, a section left open",
     {{"Windows/jvmspecs/Verify.jar", ""}, {"Windows/jvmspecs/jre8.spec", "PATH_HINT:\njre\nJVM_EXE: bin\\java.exe\n"}},
     {"Windows/jvmspecs/jre8.spec: error: no JVM_EXE: line (here or in an earlier file): the launcher cannot tell "
      "which executable to run",
      "Windows/jvmspecs/jre8.spec: error: Windows/jvmspecs/Verify.jar is not in the folder: without it no VM passes "
      "the search by specification files",
      "Windows/jvmspecs/jre8.spec:3: warning: JVM_EXE: inside a section is not read as a key; end the section with a "
      "/: line first"}},
    {"VM pack download",
     {{"Windows/jvmspecs/jvmspecs.properties",
       replaced(kBuildOptions, "search.option=10",
                "search.option=11\nbuild.without.vm.not.found.download.url=HTTP://example.com/jre.zip")}},
     {"Windows/jvmspecs/jvmspecs.properties:3: error: option 11 downloads the VM pack at "
      "build.without.vm.not.found.download.url: the launcher downloads only from URLs that begin with http or ftp "
      "in lower case"}},
    {"class path from the environment, a continued value, a line without '='",
     {{"Windows/MyApp.kiv",
       replaced(kKiv, "classes", "$ENV_CLASSPATH$") + "kiv.application.name=My App\\\\\nkiv.class.path: x\n"}},
     {"Windows/MyApp.kiv:2: note: class path entry '$ENV_CLASSPATH$' comes from the CLASSPATH variable of the user's "
      "machine: not checked",
      "Windows/MyApp.kiv:5: warning: the value ends with a backslash, so the launcher reads line 6 as part of it"}},
    {"a line without '=', an indented comment, a switch in capitals",
     {{"Windows/MyApp.kiv", kKiv + "kiv.class.path: x\n  # note=1\nkiv.nl.vm.search.extended=FALSE\n"}},
     {"Windows/MyApp.kiv:5: warning: no '=' on this line, so the launcher skips it; only '=' separates a key from "
      "its value",
      "Windows/MyApp.kiv:6: warning: not a comment: only a '#' in the first column starts one, so this line sets the "
      "key '# note'",
      "Windows/MyApp.kiv:7: warning: only exactly false turns the extended VM search off"}},
    {"jar that is no ZIP file",
     {{"Windows/lib/app.jar", "not a zip"}},
     {"Windows/MyApp.kiv:1: error: main class com.example.Main (com/example/Main.class) is in none of the class "
      "path's jars and folders",
      "Windows/MyApp.kiv:2: error: class path entry 'lib\\\\app.jar': Windows/lib/app.jar is not a jar the VM can "
      "read (no ZIP directory)"}},
    {"launcher not named after the installer",
     {},
     {"Windows/MyApp.exe: warning: the installer Setup.exe starts this launcher, as Windows/Setup.exe is not in the "
      "folder; name the launcher after the installer"},
     "Setup"},
    {"a 64-bit folder beside Windows/: its first launcher starts, its own .kiv reaches out",
     {{"Windows_Pure_64_Bit/Other.exe", "MZ"},
      {"Windows_Pure_64_Bit/Other.kiv",
       replaced(kKiv, "lib\\\\app.jar;classes", "..\\\\Windows\\\\lib\\\\app.jar;../Windows/classes")}},
     {"Windows_Pure_64_Bit/Other.exe: warning: the installer Setup.exe starts this launcher, the first program in "
      "Windows_Pure_64_Bit/, as Windows/Setup.exe is not in the folder; name the launcher after the installer",
      "Windows_Pure_64_Bit/Other.kiv: warning: the installer's -jvmxms and -jvmxmx change Windows/MyApp.kiv, not "
      "this file"},
     "Setup"},
    {"heaps the VM refuses, a working folder that is not there, a key set twice",
     {{"Windows/MyApp.kiv", kKiv + "kiv.nl.java.option.java.heap.size.initial=1024m\nkiv.user.dir=work\n"
                                   "kiv.nl.java.option.java.heap.size.max=256m\n"}},
     {"Windows/MyApp.kiv:6: error: kiv.user.dir=work: Windows/work is not in the folder, so the VM cannot start in it "
      "(message 103)",
      "Windows/MyApp.kiv:7: warning: kiv.nl.java.option.java.heap.size.max is set again; this value replaces the one "
      "of line 4",
      "Windows/MyApp.kiv:7: error: the initial heap (1073741824 bytes) is larger than the maximum (268435456 bytes): "
      "the VM does not start"}},
    {"class path entry outside the folder",
     {{"Windows/MyApp.kiv", replaced(kKiv, "classes", "classes;..\\\\..\\\\x.jar")}},
     {"Windows/MyApp.kiv:2: error: class path entry '..\\\\..\\\\x.jar' points outside the installer folder"}},
    {"shipped VM missing for option 21, installer.properties in the payload",
     {{"Windows/jvmspecs/jvmspecs.properties", replaced(kBuildOptions, "withoutvm\nbuild.without.vm.search.option=10",
                                                        "withvm\nbuild.with.vm.search.option=21")},
      {"installer.properties", "installer_ui=silent\n"}},
     {"Windows/jvmspecs/jvmspecs.properties:1: error: withvm: the folder ships no VM "
      "(Windows/resource/jre/bin/java.exe "
      "or Windows_Pure_64_Bit/resource/jre/bin/java.exe), which option 21 starts",
      "installer.properties: warning: not read: the installer reads installer.properties beside the installer file, "
      "not from its payload"}},
    {"MD5 value in capitals",
     {{"Windows/jvmspecs/jvmspecs.properties",
       replaced(kBuildOptions, "search.option=10",
                "search.option=12\nbuild.without.vm.direct.download.url=ftp://example.com/jre.vm\n"
                "build.without.vm.dont.search.download.url.md5Checksum.applicable=true\n"
                "build.without.vm.dont.search.download.url.md5Checksum.value=9E107D9D372BB6826BD81D3542A419D6")}},
     {"Windows/jvmspecs/jvmspecs.properties:5: error: build.without.vm.dont.search.download.url.md5Checksum.value "
      "must be 32 lower-case hexadecimal digits: the launcher compares it exactly"}},
    {"a VM that is no Windows program",
     {{"Windows/MyApp.kiv", kKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n"}, {"Windows/jre/bin/java.exe", "#!/bin/sh\n"}},
     {"Windows/MyApp.kiv:5: error: kiv.nl.current.vm=jre\\\\bin\\\\java.exe: Windows/jre/bin/java.exe is not a Windows "
      "program (no PE header): the VM cannot start (message 103)"}},
    {"a VM that is a folder",
     {{"Windows/MyApp.kiv", kKiv + "kiv.nl.current.vm=jre\\\\bin\n"}, {"Windows/jre/bin/java.exe", programOf(3)}},
     {"Windows/MyApp.kiv:5: warning: kiv.nl.current.vm=jre\\\\bin: Windows/jre/bin is a folder, not a Windows program; "
      "the valid-VM list decides"}},
    {"a NUL in a value, shown rather than ending the line",
     {{"Windows/MyApp.kiv", kKiv + std::string(kNulName, sizeof kNulName - 1)}},
     {"Windows/MyApp.kiv:5: error: kiv.application.name=My\\u0000App: the value holds a NUL character, at which "
      "Windows would end the java command line; the launcher refuses the file"}},
    {"the native application keys: values the launcher would not apply",
     {{"Windows/MyApp.kiv", kKiv + "kiv.nl.java.option.java.heap.percent=95\nkiv.user.options=..\\\\x.options\n"
                                   "kiv.application.id=Acme App\nkiv.java.download.page=file:///x.exe\n"}},
     {"Windows/MyApp.kiv:5: error: kiv.nl.java.option.java.heap.percent=95: the launcher takes a share of 1 to 90 "
      "percent and adds nothing for this",
      "Windows/MyApp.kiv:6: error: kiv.user.options=..\\\\x.options: name a file below %APPDATA%, such as "
      "Vendor\\Name\\Name.options",
      "Windows/MyApp.kiv:7: error: kiv.application.id=Acme App: an application ID has at most 128 characters and no "
      "spaces; Windows ignores this one",
      "Windows/MyApp.kiv:8: error: kiv.java.download.page=file:///x.exe: not an http:// or https:// address without "
      "spaces; the launcher does not offer it"}},
    {"no .kiv beside the launcher",
     {{"Windows/MyApp.kiv", ""}},
     {"Windows: error: no MyApp.kiv beside MyApp.exe: the launcher ends with message 102"}},
    {"no launcher",
     {{"Windows/MyApp.exe", ""}},
     {".: error: no launcher: neither Windows/ nor Windows_Pure_64_Bit/ holds an .exe file for the installer to "
      "start"}},
};

class InstallerCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(InstallerCheck, ReportsExactlyTheseLines) {
    const CheckCase& c = GetParam();
    TempFolder folder;
    auto files = soundFolder();
    for (const auto& [path, content] : c.changes) files[path] = content;
    for (const auto& [path, content] : files)
        if (!content.empty()) writeAll(folder / path, content);

    CheckResult result = checkInstallerFolder(folder.path(), CheckOptions{c.installerName});
    std::vector<std::string> lines;
    for (const auto& finding : result.findings) lines.push_back(formatFinding(finding));
    EXPECT_EQ(lines, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Folders, InstallerCheck, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CheckCase>& info) {
                             return "case" + std::to_string(info.index);
                         });

TEST(LauncherChoice, AsTheSelfExtractorPicks) {
    struct Case {
        std::vector<std::string> names;
        std::string installer, chosen;
    };
    const Case cases[] = {
        {{"Windows/setup.exe", "Windows_Pure_64_Bit/a.exe"}, "setup", "Windows/setup.exe"},
        {{"windows/SETUP.EXE"}, "Setup", "windows/SETUP.EXE"},
        {{"Windows/other.exe", "Windows_Pure_64_Bit/b.exe", "Windows_Pure_64_Bit/A.exe"},
         "setup",
         "Windows_Pure_64_Bit/A.exe"},
        {{"Windows_Pure_64_Bit/setup.exe", "Windows_Pure_64_Bit/helper.exe"},
         "setup",
         "Windows_Pure_64_Bit/helper.exe"},
        {{"Windows/b.exe", "Windows/a_b.exe", "Windows/ab.exe"}, "", "Windows/ab.exe"},  // 'B' sorts before '_'
        {{"Windows/sub/x.exe", "Windows/x.kiv", "x.exe"}, "x", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(chosenLauncher(c.names, c.installer), c.chosen) << c.names.front();
}

TEST(InstallerCheck, NamesThatAreOneFileOnWindows) {
    TempFolder folder;
    if (!tellsCaseApart(folder.path())) GTEST_SKIP() << "the file system does not tell letter case apart";
    auto files = soundFolder();
    files["Windows/lib/App.jar"] = jarOf({"x.class"});
    files["Windows/Classes/r\xC3\x89sum\xC3\xA9.txt"] = "x";
    files["Windows/classes/R\xC3\xA9SUM\xC3\x89.txt"] = "x";
    for (const auto& [path, content] : files) writeAll(folder / path, content);
    std::vector<std::string> lines;
    for (const auto& finding : checkInstallerFolder(folder.path(), CheckOptions{"MyApp"}).findings)
        lines.push_back(formatFinding(finding));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Windows/classes: error: 'Windows/Classes' and 'Windows/classes' differ only in letter case, "
                         "and on Windows one would overwrite the other",
                         "Windows/lib/app.jar: error: 'Windows/lib/App.jar' and 'Windows/lib/app.jar' differ only in "
                         "letter case, and on Windows one would overwrite the other"}));
}

TEST(InstallerCheck, SummaryCountsErrorsAndWarnings) {
    CheckResult result;
    EXPECT_EQ(summaryText(result), "0 errors, 0 warnings");
    result.findings = {{"a", 1, Severity::Error, "x"}, {"a", 0, Severity::Warning, "y"}, {"a", 0, Severity::Note, "z"}};
    EXPECT_EQ(summaryText(result), "1 error, 1 warning");
}

TEST(JarListing, DirectoryBehindOtherBytesAndDamage) {
    TempFolder folder;
    writeAll(folder / "prefixed.jar", std::string(5000, 'x') + jarOf({"a/B.class", "META-INF/"}));
    writeAll(folder / "cut.jar", jarOf({"a/B.class"}).substr(0, 60));
    auto names = zipMemberNames(folder / "prefixed.jar");
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::set<std::string>{"META-INF/", "a/B.class"}));
    EXPECT_FALSE(zipMemberNames(folder / "cut.jar"));
    EXPECT_FALSE(zipMemberNames(folder / "missing.jar"));
}

TEST(InstallerKeys, LookupAndSuggestions) {
    EXPECT_TRUE(findKey(KeyFile::Kiv, "kiv.class.path"));
    EXPECT_FALSE(findKey(KeyFile::Kiv, "KIV.CLASS.PATH"));  // keys are case-sensitive
    EXPECT_TRUE(findKey(KeyFile::BuildOptions, "build.jvmspec.12"));
    EXPECT_FALSE(findKey(KeyFile::BuildOptions, "build.jvmspec.x"));
    EXPECT_TRUE(findKey(KeyFile::InstallerProperties, "INSTALLER_UI"));
    EXPECT_EQ(nearestKey(KeyFile::Kiv, "KIV.USER.DIR"), "kiv.user.dir");
    EXPECT_EQ(nearestKey(KeyFile::Kiv, "kiv.nl.current.mv"), "kiv.nl.current.vm");
    EXPECT_EQ(nearestKey(KeyFile::Kiv, "kiv.nl.current"), "");
    EXPECT_EQ(nearestKey(KeyFile::BuildOptions, "kiv.class.path"), "");  // another file's key
}

}  // namespace

// The class path in full paths below the install folder, the VM options, the property files:
// judged at an install folder of 100 characters.
TEST(InstallerCheck, CommandLinesThatCouldPassTheSystemsLimitAreNamed) {
    auto entries = [](int count, const std::string& name) {
        std::string text;
        for (int i = 0; i < count; ++i) text += ";lib\\\\" + name + std::to_string(i) + "-1.2.3.jar";
        return text;
    };
    const struct {
        const char* name;
        std::string classPathTail, additional;
        std::vector<std::string> says;  // empty: no such warning
    } cases[] = {
        {"a few jars", entries(20, "commons-something-library-"), "", {}},
        {"400 jars with long names", entries(400, "commons-something-library-"), "",
         {"Windows/MyApp.kiv:2: warning: the java command line comes to about ", "installed in a folder of 100 characters",
          "the class path has 402 entries", "hands the class path to VMs of version 9 and later in an argument file"}},
        {"5,000 entries", entries(5000, "x"), "", {"the class path has 5002 entries", "the class path to VMs"}},
        {"10 MB of VM options", "", std::string(10 << 20, 'x'),
         {"Windows/MyApp.kiv:5: warning: ", "kiv.nl.java.option.additional 10485760",
          "the class path and the VM options to VMs of version 9"}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        auto files = soundFolder();
        files["Windows/MyApp.kiv"] = replaced(kKiv, "classes\n", "classes" + c.classPathTail + "\n") +
                                     (c.additional.empty() ? "" : "kiv.nl.java.option.additional=" + c.additional + "\n");
        for (const auto& [path, content] : files) writeAll(folder / path, content);
        std::string warning;
        for (const auto& finding : checkInstallerFolder(folder.path(), CheckOptions{"MyApp"}).findings)
            if (finding.text.find("command line comes to") != std::string::npos) warning = formatFinding(finding);
        if (c.says.empty()) {
            EXPECT_EQ(warning, "") << c.name;
            continue;
        }
        for (const auto& part : c.says) EXPECT_NE(warning.find(part), std::string::npos) << c.name << ": " << warning;
    }
}

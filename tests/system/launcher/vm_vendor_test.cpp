// Today's JDKs through the real quillrun.exe: the makers' registry keys (both hives, both
// views), JAVA_HOME and the install folders, each with a stand-in carrying that maker's
// version resource. The keys are machine-wide, so this executable runs alone and removes
// what it creates.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/system/launcher/launcher_test_support.h"
#include "tests/system/launcher/vm_spec_app.h"

using namespace velmora::test;

namespace {

const wchar_t* const kVendorRoots[] = {
    L"SOFTWARE\\JavaSoft",      L"SOFTWARE\\IBM",           L"SOFTWARE\\Eclipse Adoptium", L"SOFTWARE\\AdoptOpenJDK",
    L"SOFTWARE\\Eclipse Foundation", L"SOFTWARE\\Microsoft\\JDK", L"SOFTWARE\\Semeru",     L"SOFTWARE\\Azul Systems",
    L"SOFTWARE\\BellSoft",      L"SOFTWARE\\SapMachine",
};

void removeVendorKeys() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (const wchar_t* root : kVendorRoots) removeKeyTree(hive, root);
}

class TodaysJdks : public ::testing::Test {
protected:
    void SetUp() override { removeVendorKeys(); }
    void TearDown() override { removeVendorKeys(); }
};

// The install folders point into the app folder, so that the machine's own take no part;
// the trail is on.
ChildOptions vendorWorld(const VmTestApp& app, const std::wstring& javaHome = L"") {
    ChildOptions options = debugSwitch(L"true");
    for (const auto& [name, folder] : {std::pair{L"ProgramFiles", L"pf"}, std::pair{L"ProgramW6432", L"pf"},
                                       std::pair{L"ProgramFiles(x86)", L"pf86"}, std::pair{L"LOCALAPPDATA", L"local"},
                                       std::pair{L"USERPROFILE", L"profile"}})
        options.extraEnvironment.push_back(std::wstring(name) + L"=" + app.path(folder));
    if (!javaHome.empty()) options.extraEnvironment.push_back(L"JAVA_HOME=" + javaHome);
    return options;
}

// HKCU's software keys are the same in both views, so the trail names no view for them.
std::wstring registrySource(HKEY hive, REGSAM view, const std::wstring& key) {
    if (hive == HKEY_CURRENT_USER) return L"registry HKCU\\" + key;
    return L"registry HKLM\\" + key + (view == KEY_WOW64_64KEY ? L" (64-bit view)" : L" (32-bit view)");
}

// A stand-in with a maker's version resource at home\bin\java.exe; a JDK gets javac.exe too.
std::wstring placeJdk(const VmTestApp& app, const std::wstring& variant, const std::wstring& home, bool jdk = false) {
    if (jdk) app.placeVm(L"standin_vm", home + L"\\bin\\javac.exe");
    return app.placeVm(L"standin_vm_" + variant, home + L"\\bin\\java.exe");
}

// One specification file that asks Verify for Java 21 and names no place that holds a VM.
void askForJava21(const SpecApp& app) {
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\n");
    app.write(L"jvmspecs\\Verify.jar", "");
    app.buildOptions(kSpecBuild);
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.version=21*\n/:\nPATH_HINT:\n\\no such folder\n");
}

}  // namespace

TEST_F(TodaysJdks, EachLayoutAloneIsFound) {
    const struct {
        HKEY hive;  // null: JAVA_HOME or a folder
        REGSAM view;
        const wchar_t* key;  // the release key, or for others the home below the app folder
        const wchar_t* value;
        const wchar_t* variant;
        const char* entry;  // pins kind and version as probed from the executable
    } cases[] = {
        {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path",
         L"temurin", "JDK_21.0.1"},
        {HKEY_CURRENT_USER, KEY_WOW64_32KEY, L"SOFTWARE\\AdoptOpenJDK\\JRE\\17.0.8.1\\openj9\\MSI", L"Path", L"semeru",
         "JRE_17.0.8"},
        {HKEY_CURRENT_USER, KEY_WOW64_64KEY, L"SOFTWARE\\Microsoft\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path",
         L"microsoft", "JRE_21.0.1"},
        // IBM's company name with a version numbered from the major version.
        {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"SOFTWARE\\Semeru\\JRE\\17.0.8.1\\openj9\\MSI", L"Path", L"semeru",
         "JRE_17.0.8"},
        {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", L"InstallationPath", L"zulu",
         "17.0.9"},
        {HKEY_CURRENT_USER, KEY_WOW64_64KEY, L"SOFTWARE\\Azul Systems\\Zulu 32-bit\\zulu-17-jre", L"InstallationPath",
         L"zulu", "17.0.9"},
        {HKEY_CURRENT_USER, KEY_WOW64_32KEY, L"SOFTWARE\\BellSoft\\Liberica\\jdk-17", L"InstallationPath",
         L"liberica", "17.0.9"},
        {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"SOFTWARE\\SapMachine\\JDK\\21", L"JavaHome", L"sapmachine", "21.0.1"},
        {nullptr, 0, L"jdks\\home", L"JAVA_HOME", L"temurin", "21.0.1"},
        {nullptr, 0, L"pf\\Zulu\\zulu-17", nullptr, L"zulu", "17.0.9"},
        {nullptr, 0, L"pf86\\Amazon Corretto\\jdk17.0.9_8", nullptr, L"liberica", "17.0.9"},
        {nullptr, 0, L"local\\Programs\\Microsoft\\jdk-21.0.1.12-hotspot", nullptr, L"microsoft", "21.0.1"},
        {nullptr, 0, L"pf\\SapMachine\\JDK\\21", nullptr, L"sapmachine", "21.0.1"},
        {nullptr, 0, L"profile\\.jdks\\temurin-21.0.1", nullptr, L"temurin", "21.0.1"},
    };
    for (const auto& c : cases) {
        removeVendorKeys();
        VmTestApp app;
        app.writeKiv(kKiv + "kiv.nl.valid.vm.list=" + c.entry + "\n");
        const bool registered = c.hive != nullptr;
        const std::wstring home = registered ? app.path(L"jdks\\registered") : app.path(c.key);
        const std::wstring exe = placeJdk(app, c.variant, registered ? L"jdks\\registered" : c.key,
                                          std::string(c.entry).starts_with("JDK"));
        std::wstring source = L"folder " + home;
        std::wstring javaHome;
        if (registered) {
            // Installers write the home with a trailing backslash; the MSI keys also carry a
            // number named JavaHome, which is not a home.
            ASSERT_TRUE(setRegistryText(c.hive, c.view, c.key, c.value, home + L"\\"));
            if (std::wstring(c.value) == L"Path") {
                ASSERT_TRUE(setRegistryNumber(c.hive, c.view, c.key, L"JavaHome", 1));
            }
            source = registrySource(c.hive, c.view, c.key);
        } else if (c.value) {
            javaHome = home + L"\\";
            source = L"JAVA_HOME";
        }
        const std::string name = utf8(source);

        ChildResult result = app.run(L"", {}, vendorWorld(app, javaHome));
        EXPECT_EQ(result.exitCode, 0u) << name << "\n" << result.standardError;
        EXPECT_EQ(app.recorded(L"exe.txt"), exe) << name;
        EXPECT_TRUE(hasLine(splitTrail(result.standardError).trail, L"extended candidate from " + source + L": " + exe))
            << name;
    }
}

TEST_F(TodaysJdks, StaleKeysOddValuesRepeatsAndTheSwitch) {
    VmTestApp app;
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\n");
    const std::wstring temurinKey = L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI";
    const std::wstring sapKey = L"SOFTWARE\\SapMachine\\JDK\\21";
    const std::wstring zuluKey = L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17";
    // Left behind by an uninstall: a newer VM that is no longer there.
    ASSERT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, temurinKey, L"Path", app.path(L"gone") + L"\\"));
    ASSERT_TRUE(setRegistryNumber(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, sapKey, L"JavaHome", 1));
    const std::wstring zulu = placeJdk(app, L"zulu", L"zulu17");
    ASSERT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, zuluKey, L"InstallationPath", app.path(L"zulu17")));

    // JAVA_HOME names the same VM through another spelling; it is tried first.
    ChildResult result = app.run(L"", {}, vendorWorld(app, app.path(L"ZULU17") + L"\\"));
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), zulu);
    const std::string trail = splitTrail(result.standardError).trail;
    EXPECT_TRUE(hasLine(trail, L"extended candidate from " + registrySource(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, temurinKey) +
                                   L": skipped, no bin\\java.exe in " + app.path(L"gone")));
    EXPECT_TRUE(hasLine(trail, L"extended candidate from " + registrySource(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, sapKey) +
                                   L": skipped, the value JavaHome is not text"));
    EXPECT_TRUE(hasLine(trail, L"extended candidate from " + registrySource(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, zuluKey) +
                                   L": skipped, the same VM as JAVA_HOME"));
    EXPECT_TRUE(hasLine(trail, L"entry J2, JRE 17.0.9 at " + app.path(L"ZULU17") + L": accepted"));

    // Only "false" switches the search off; the run then ends as it always did.
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\nkiv.nl.vm.search.extended=false\n");
    result = app.run(L"", {}, vendorWorld(app));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_TRUE(contains(result.standardError, "Could not find a valid Java virtual machine to load."));
    EXPECT_TRUE(hasLine(splitTrail(result.standardError).trail, L"extended search: off (kiv.nl.vm.search.extended=false)"));
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\nkiv.nl.vm.search.extended=no\n");
    result = app.run(L"", {}, vendorWorld(app));
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), zulu);
}

// Candidates that are looked at and refused leave no trace outside the trail: the run ends in
// 101 with the same output as without the extended search.
TEST_F(TodaysJdks, RefusedCandidatesPrintNothing) {
    VmTestApp app;
    placeJdk(app, L"zulu", L"pf\\Zulu\\zulu-17");
    placeJdk(app, L"temurin", L"profile\\.jdks\\temurin-21.0.1");
    auto output = [&](const char* extended) {
        app.writeKiv(kKiv + "kiv.nl.valid.vm.list=25+\nkiv.nl.vm.search.extended=" + extended + "\n");
        ChildResult result = app.run(L"", {}, vendorWorld(app));
        EXPECT_EQ(result.exitCode, 1u) << result.standardError;
        EXPECT_TRUE(contains(result.standardError, "Could not find a valid Java virtual machine to load."));
        return result.standardOutput + "\n--\n" + splitTrail(result.standardError).rest;
    };
    const std::string with = output("true"), without = output("false");
    EXPECT_EQ(with, without);
    EXPECT_FALSE(contains(with, "company:")) << with;
}

// A home that Verify accepts is started as a standard VM, also without a version resource (an
// old VM's command line would name lib\classes.zip).
TEST_F(TodaysJdks, WhatVerifyAcceptsIsAStandardVm) {
    SpecApp app;
    askForJava21(app);
    const std::wstring plain = app.placeVm(L"standin_vm", L"plain21\\bin\\java.exe");
    app.configureVm(L"plain21\\bin", "verify.java.version=21.0.1\n");

    EXPECT_EQ(app.runAndChoose({}, vendorWorld(app, app.path(L"plain21"))), plain);
    const std::wstring commandLine = app.recorded(L"commandline.txt");
    EXPECT_EQ(commandLine.find(L"classes.zip"), std::wstring::npos) << utf8(commandLine);
}

TEST_F(TodaysJdks, AClassicVmStillDecides) {
    VmTestApp app;
    const std::wstring jre11 = placeJdk(app, L"sun11", L"jre11");
    ASSERT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft\\JRE\\11", L"JavaHome",
                                app.path(L"jre11")));
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\n");
    auto runOnce = [&](std::string& output, std::wstring& commandLine) {
        ChildResult result = app.run(L"", {}, vendorWorld(app));
        EXPECT_EQ(result.exitCode, 0u) << result.standardError;
        EXPECT_EQ(app.recorded(L"exe.txt"), jre11);
        EXPECT_EQ(lineAt(result.standardError, L"extended"), std::string::npos) << result.standardError;
        output = result.standardOutput;
        commandLine = app.recorded(L"commandline.txt");
        const std::wstring scratch = app.scratchFileOf(commandLine);
        if (!scratch.empty()) commandLine.replace(commandLine.find(scratch), scratch.size(), L"<scratch>");
    };
    std::string before, after;
    std::wstring lineBefore, lineAfter;
    runOnce(before, lineBefore);

    // A newer JDK of today changes nothing while the classic search finds a VM.
    const std::wstring temurinKey = L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI";
    const std::wstring temurin = placeJdk(app, L"temurin", L"temurin21");
    ASSERT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, temurinKey, L"Path", app.path(L"temurin21\\")));
    placeJdk(app, L"zulu", L"pf\\Zulu\\zulu-17");
    runOnce(after, lineAfter);
    EXPECT_EQ(after, before);
    EXPECT_EQ(lineAfter, lineBefore);

    // Only when the classic VM does not qualify does the newer one start.
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=21+\n");
    ChildResult result = app.run(L"", {}, vendorWorld(app));
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), temurin);
    EXPECT_LT(lineAt(result.standardError, L"no installed VM is accepted"),
              lineAt(result.standardError, L"extended search: today's JDKs against the valid-VM list"));
}

TEST_F(TodaysJdks, SpecificationFilesCheckEachWithVerify) {
    SpecApp app;
    askForJava21(app);
    const std::wstring older = app.vm(L"jdk17", "verify.java.version=17.0.9\n");
    const std::wstring temurin = app.vm(L"temurin21", "verify.java.version=21.0.1\n");
    ASSERT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY,
                                L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path",
                                app.path(L"temurin21")));

    // JAVA_HOME is tried first and refused by Verify; the registered VM passes.
    EXPECT_EQ(app.runAndChoose({}, vendorWorld(app, app.path(L"jdk17"))), temurin);
    EXPECT_EQ(app.verified(), (std::vector<std::wstring>{older, temurin}));
    EXPECT_TRUE(hasLine(splitTrail(app.last().standardError).trail,
                        L"extended candidate from JAVA_HOME for jvmspecs\\a.spec: " + older +
                            L": refused by Verify, java.version is \"17.0.9\", expected \"21*\""));

    // A build option that asks for no search is not extended.
    app.buildOptions("build.option=withoutvm\nbuild.without.vm.search.option=13\n");
    EXPECT_EQ(app.runAndChoose({}, vendorWorld(app, app.path(L"temurin21"))), L"exit 1");
    EXPECT_TRUE(app.verified().empty());
}

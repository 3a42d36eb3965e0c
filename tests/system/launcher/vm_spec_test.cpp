// The installer build's options in jvmspecs.properties and the search by VM
// specification files, through the real quillrun.exe with the stand-in VM answering Verify runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "tests/support/registry_keys.h"
#include "tests/system/launcher/vm_spec_app.h"

using namespace velmora::test;

namespace {

bool saysNoVm(const ChildResult& result) {
    return contains(result.standardError, "Could not find a valid Java virtual machine to load.");
}

}  // namespace

TEST(BuildOptions, BranchTable) {
    SpecApp app;
    std::wstring installed = app.vm(L"onpath");
    std::vector<std::wstring> path{app.path(L"onpath\\bin")};
    // The list entry runs the validator class, so a search shows in the run log.
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=JRE_CHECK\n");

    // No build.option, or one in another spelling: no VM, although the list would find one.
    app.buildOptions("build.with.vm.search.option=21\n");
    EXPECT_EQ(app.runAndChoose(path), L"exit 1");
    EXPECT_TRUE(saysNoVm(app.last()));
    app.buildOptions("build.option=withVM\n");
    EXPECT_EQ(app.runAndChoose(path), L"exit 1");
    EXPECT_TRUE(saysNoVm(app.last()));

    // 21 takes the shipped VM without any search; of the four places the first that exists wins.
    std::wstring shippedLast = app.vm(L"Windows_Pure_64_Bit\\resource\\jre\\jre");
    app.buildOptions("build.option=withvm\nbuild.with.vm.search.option=21\n");
    EXPECT_EQ(app.runAndChoose(path), shippedLast);
    EXPECT_EQ(app.recorded(L"runs.log").find(L"validator|"), std::wstring::npos);
    std::wstring shippedFirst = app.vm(L"Windows\\resource\\jre");
    EXPECT_EQ(app.runAndChoose(path), shippedFirst);

    // 20 (the default) asks the valid-VM list before the shipped VM, and takes the shipped
    // VM when the list finds nothing.
    app.buildOptions("build.option=withvm\n");
    EXPECT_EQ(app.runAndChoose(path), installed);
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=MSJ\n");
    app.buildOptions("build.option=withvm\nbuild.with.vm.search.option=20\n");
    EXPECT_EQ(app.runAndChoose(path), shippedFirst);

    // With nothing shipped either, the record of the empty path is started and fails with
    // message 103, not 101.
    ::DeleteFileW(shippedFirst.c_str());
    ::DeleteFileW(shippedLast.c_str());
    EXPECT_EQ(app.runAndChoose(path), L"exit 1");
    EXPECT_TRUE(contains(app.last().standardError, "occured while loading the Java VM")) << app.last().standardError;
    EXPECT_FALSE(saysNoVm(app.last()));

    app.buildOptions("build.option=withvm\nbuild.with.vm.search.option=22\n");
    EXPECT_EQ(app.runAndChoose(path), L"exit 1");
    EXPECT_TRUE(saysNoVm(app.last()));
}

TEST(BuildOptions, WithoutVmBranches) {
    SpecApp app;
    std::wstring installed = app.vm(L"onpath");
    std::wstring own = app.vm(L"own");
    std::vector<std::wstring> path{app.path(L"onpath\\bin")};

    // 10 (the default) asks kiv.nl.current.vm before the list, unlike the with-VM branch.
    app.writeKiv(kKiv + "kiv.nl.current.vm=own\\\\bin\\\\java.exe\nkiv.nl.valid.vm.list=J2\n");
    app.buildOptions("build.option=withoutvm\n");
    EXPECT_EQ(app.runAndChoose(path), own);

    // 11 with a VM found: no pack is asked for.
    const std::string refusedPack = "The file specified is not a valid VM pack";
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\n");
    app.buildOptions("build.option=withoutvm\nbuild.without.vm.search.option=11\n"
                     "build.without.vm.not.found.download.url=http://127.0.0.1:9/vm.zip\n");
    EXPECT_EQ(app.runAndChoose(path), installed);
    EXPECT_FALSE(contains(app.last().standardOutput, refusedPack));

    // 11 with nothing found, and 12, which never searches, ask for a pack; one that is
    // refused leaves no VM.
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=MSJ\n");
    EXPECT_EQ(app.runAndChoose(path), L"exit 1");
    EXPECT_TRUE(contains(app.last().standardOutput, refusedPack));
    EXPECT_TRUE(saysNoVm(app.last()));
    app.writeKiv(kKiv + "kiv.nl.current.vm=own\\\\bin\\\\java.exe\nkiv.nl.valid.vm.list=J2\n");
    app.buildOptions("build.option=withoutvm\nbuild.without.vm.search.option=12\n");
    EXPECT_EQ(app.runAndChoose(path), L"exit 1");
    EXPECT_TRUE(contains(app.last().standardOutput, refusedPack));
    EXPECT_TRUE(saysNoVm(app.last()));

    app.buildOptions("build.option=withoutvm\nbuild.without.vm.search.option=13\n");
    EXPECT_EQ(app.runAndChoose(path), L"exit 1");
    EXPECT_TRUE(saysNoVm(app.last()));
}

TEST(BuildOptions, SpecificationFilesOnlyWhenExactlyTrueAndCounted) {
    SpecApp app;
    std::wstring own = app.vm(L"own");
    app.writeKiv(kKiv + "kiv.nl.current.vm=own\\\\bin\\\\java.exe\n");

    // a.spec does not exist: reading it would end the run.
    const std::string options = "build.option=withoutvm\nbuild.jvmspec.0=a.spec\n";
    app.buildOptions(options + "build.jvmspec.applicable=TRUE\nbuild.jvmspec.total.num=1\n");
    EXPECT_EQ(app.runAndChoose(), own);
    app.buildOptions(options + "build.jvmspec.applicable=true\nbuild.jvmspec.total.num=0\n");
    EXPECT_EQ(app.runAndChoose(), own);

    app.buildOptions(options + "build.jvmspec.applicable=true\nbuild.jvmspec.total.num=1\n");
    EXPECT_EQ(app.runAndChoose(), L"exit 1");
    EXPECT_TRUE(contains(app.last().standardError, "an unknown exception has occurrred.\n" +
                                                        narrow(app.path(L"jvmspecs\\a.spec")) +
                                                        ": could not open file for read ("))
        << app.last().standardError;
}

TEST(BuildOptions, SpecificationFilesAlsoSteerSearchOptions20And11) {
    SpecApp app;
    app.vm(L"onpath");  // the valid-VM list, and kiv.nl.current.vm, would take it
    std::wstring shipped = app.vm(L"Windows\\resource\\jre");
    std::wstring bySpec = app.vm(L"specjre");
    std::vector<std::wstring> path{app.path(L"onpath\\bin")};
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\nkiv.nl.current.vm=onpath\\\\bin\\\\java.exe\n");
    app.write(L"jvmspecs\\Verify.jar", "");
    const std::string specs = "build.jvmspec.applicable=true\nbuild.jvmspec.total.num=1\nbuild.jvmspec.0=a.spec\n";
    const std::string head = "JVM_EXE: bin\\java.exe\nPATH_HINT:\n" + narrow(app.root().substr(2)) + "\\specjre\n/:\n";
    const std::string finds = head + "JVM_PROPERTIES\njava.version=1.8*\n";
    const std::string findsNothing = head + "JVM_PROPERTIES\njava.version=1.7*\n";
    const std::string refusedPack = "The file specified is not a valid VM pack";
    const struct {
        const char* what;
        std::string buildOptions;
        std::string spec;
        std::wstring chosen;
        bool packAskedFor;
    } cases[] = {
        // Where the specification files apply they take the place of the list search.
        {"20, found", "build.option=withvm\nbuild.with.vm.search.option=20\n", finds, bySpec, false},
        {"20, nothing", "build.option=withvm\nbuild.with.vm.search.option=20\n", findsNothing, shipped, false},
        {"11, found", "build.option=withoutvm\nbuild.without.vm.search.option=11\n", finds, bySpec, false},
        {"11, nothing", "build.option=withoutvm\nbuild.without.vm.search.option=11\n", findsNothing, L"exit 1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        app.buildOptions(c.buildOptions + specs + "build.without.vm.not.found.download.url=http://127.0.0.1:9/vm.zip\n");
        app.spec(L"a.spec", c.spec);
        EXPECT_EQ(app.runAndChoose(path), c.chosen) << app.last().standardError;
        EXPECT_EQ(app.verified(), std::vector<std::wstring>{bySpec});
        EXPECT_EQ(contains(app.last().standardOutput, refusedPack), c.packAskedFor) << app.last().standardOutput;
    }
}

TEST(SpecSearch, PathHintsOnTheDrivesAndBesideTheInstaller) {
    SpecApp app;
    app.writeKiv(kKiv + "kiv.nl.current.vm=own\\\\bin\\\\java.exe\n");
    app.vm(L"own");  // must not be chosen: the specification files decide
    app.write(L"jvmspecs\\Verify.jar", "");
    app.buildOptions(kSpecBuild);

    // The app folder as a drive hint (no drive letter, fewer than two dots).
    std::wstring root = app.root();
    ASSERT_EQ(root.substr(1, 2), L":\\");
    ASSERT_LT(std::count(root.begin(), root.end(), L'.'), 2);
    const std::string onDrive = narrow(root.substr(2)) + "\\drivejre";
    std::wstring driveVm = app.vm(L"drivejre");
    const std::string properties = "JVM_PROPERTIES\njava.version=1.8*\njava.vendor=Oracle*\n/:\n";
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\n" + properties + "PATH_HINT:\n" + onDrive + "\n/:\n");
    EXPECT_EQ(app.runAndChoose(), driveVm);
    EXPECT_EQ(app.verified(), std::vector<std::wstring>{driveVm});

    // Two files: the second lacks JVM_EXE and keeps the first one's; the first file's hint
    // finds nothing, so the second file's VM wins.
    app.buildOptions(kSpecBuild + "build.jvmspec.total.num=2\nbuild.jvmspec.1=b.spec\n");
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\n" + properties + "PATH_HINT:\n\\no such folder\n");
    app.spec(L"b.spec", properties + "PATH_HINT:\n" + onDrive + "\n");
    EXPECT_EQ(app.runAndChoose(), driveVm);

    // A VM that reports another version is not valid, and nothing else is tried.
    app.spec(L"b.spec", "JVM_PROPERTIES\njava.version=1.7*\n/:\nPATH_HINT:\n" + onDrive + "\n");
    EXPECT_EQ(app.runAndChoose(), L"exit 1");
    EXPECT_TRUE(saysNoVm(app.last()));

    // Two dots: resolved against the installer's folder that sea_loc names, which lies in the
    // parent of the Java process's working directory.
    app.buildOptions(kSpecBuild);
    app.writeKiv(kKiv + "kiv.nl.current.vm=own\\\\bin\\\\java.exe\nkiv.user.dir=extract\\work\n");
    app.write(L"extract\\work\\keep", "");
    std::string seaLoc = narrow(root) + "\\downloads\\setup.exe\n";
    seaLoc.push_back('\0');
    app.write(L"extract\\sea_loc", seaLoc);
    std::wstring besideVm = app.vm(L"besidejre");
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\n" + properties + "PATH_HINT:\n..\\elsewhere\\besidejre\n");
    EXPECT_EQ(app.runAndChoose(), besideVm);

    ::DeleteFileW(app.path(L"extract\\sea_loc").c_str());
    EXPECT_EQ(app.runAndChoose(), L"exit 1");
    EXPECT_TRUE(saysNoVm(app.last()));
}

TEST(SpecSearch, VerifyAnswersAsTheSearchReadsThem) {
    SpecApp app;
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\n");
    app.buildOptions(kSpecBuild);
    const std::string hint = "PATH_HINT:\n" + narrow(app.root().substr(2)) + "\\jre\n";
    std::wstring vm = app.vm(L"jre");
    app.write(L"jvmspecs\\Verify.jar", "");

    // CR LF line ends: the CR stays on every line but the last, so an exact value fails
    // there while a pattern still matches.
    app.configureVm(L"jre\\bin", kVerifyAnswers + "verify.crlf=1\n");
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.vendor=Oracle Corporation\njava.version=1.8*\n/:\n" + hint);
    EXPECT_EQ(app.runAndChoose(), L"exit 1");
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.vendor=Oracle...\njava.version=1.8.0_310\n/:\n" + hint);
    EXPECT_EQ(app.runAndChoose(), vm);

    // An empty last value leaves fewer lines than checks: the last line serves the rest.
    app.configureVm(L"jre\\bin", kVerifyAnswers + "verify.java.vm.vendor=\n");
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.vendor=Oracle*\njava.vm.vendor=Oracle*\n/:\n" + hint);
    EXPECT_EQ(app.runAndChoose(), vm);

    // Without property checks Verify prints its header alone, which is no answer.
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\n" + hint);
    EXPECT_EQ(app.runAndChoose(), L"exit 1");
    EXPECT_EQ(app.verified(), std::vector<std::wstring>{vm});

    // Verify.jar is looked for in the specification file's folder, then in its jvmspecs
    // folder unless that folder is itself named jvmspecs.
    const std::string checked = "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.version=1.8*\n/:\n" + hint;
    ::DeleteFileW(app.path(L"jvmspecs\\Verify.jar").c_str());
    app.write(L"jvmspecs\\jvmspecs\\Verify.jar", "");
    app.spec(L"a.spec", checked);
    EXPECT_EQ(app.runAndChoose(), L"exit 1");
    EXPECT_TRUE(app.verified().empty());
    app.buildOptions(kSpecBuild + "build.jvmspec.0=..\\other\\a.spec\n");
    app.write(L"other\\a.spec", checked);
    app.write(L"other\\jvmspecs\\Verify.jar", "");
    EXPECT_EQ(app.runAndChoose(), vm);
}

namespace {

// A key of its own under HKLM\SOFTWARE in both registry views, removed afterwards.
class RegistryHintsTest : public ::testing::Test {
protected:
    void SetUp() override { removeKeyTree(HKEY_LOCAL_MACHINE, root_); }
    void TearDown() override { removeKeyTree(HKEY_LOCAL_MACHINE, root_); }

    void setHome(REGSAM view, const std::wstring& relativeKey, const std::wstring& home) {
        EXPECT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, view, root_ + L"\\" + relativeKey, L"JavaHome", home));
    }
    std::string hint(const std::wstring& relativeKey) const {
        return narrow(L"\\HKEY_LOCAL_MACHINE\\" + root_ + L"\\" + relativeKey + L"\\JavaHome");
    }

    const std::wstring root_ = L"SOFTWARE\\VelmoraHintTest-" + std::to_wstring(::GetCurrentProcessId());
};

}  // namespace

TEST_F(RegistryHintsTest, BothViewsAndWildcards) {
    SpecApp app;
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\n");
    app.buildOptions(kSpecBuild);
    app.write(L"jvmspecs\\Verify.jar", "");
    const std::string head = "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.version=1.8*\n/:\nPLATFORM_HINT:\n";

    // A key of the 64-bit view, and one that only the 32-bit view holds.
    std::wstring vm64 = app.vm(L"jre64");
    std::wstring vm32 = app.vm(L"jre32");
    setHome(KEY_WOW64_64KEY, L"Only64", app.path(L"jre64"));
    setHome(KEY_WOW64_32KEY, L"Only32", app.path(L"jre32"));
    app.spec(L"a.spec", head + hint(L"Only64") + "\n");
    EXPECT_EQ(app.runAndChoose(), vm64);
    app.spec(L"a.spec", head + hint(L"Missing") + "\n" + hint(L"Only32") + "\n");
    EXPECT_EQ(app.runAndChoose(), vm32);

    // 1.* over the subkeys 1.5 and 1.6 gives two hints in enumeration order; others stay out.
    std::wstring vm5 = app.vm(L"jre5");
    std::wstring vm6 = app.vm(L"jre6");
    setHome(KEY_WOW64_64KEY, L"JRE\\1.5", app.path(L"jre5"));
    setHome(KEY_WOW64_64KEY, L"JRE\\1.6", app.path(L"jre6"));
    setHome(KEY_WOW64_64KEY, L"JRE\\CurrentVersion", app.path(L"jre64"));
    const std::string wildcard = hint(L"JRE\\1.*");
    app.spec(L"a.spec", head + wildcard + "\n");
    EXPECT_EQ(app.runAndChoose(), vm5);
    EXPECT_EQ(app.verified(), (std::vector<std::wstring>{vm5, vm6}));  // every hint is tried
    app.configureVm(L"jre5\\bin", "verify.java.version=1.7.0\n");
    EXPECT_EQ(app.runAndChoose(), vm6);

    // A wildcard under a key that does not open stays as it is and finds nothing.
    const std::string unopened = hint(L"Missing\\1.*");
    app.spec(L"a.spec", head + unopened + "\n");
    EXPECT_EQ(app.runAndChoose(), L"exit 1");
    EXPECT_TRUE(app.verified().empty());
}

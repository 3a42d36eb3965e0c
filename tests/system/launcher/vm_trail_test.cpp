// KIV_DEBUG's diagnostic trail through the real quillrun.exe: off, the run is byte for byte
// what it always was; on, standard error names every candidate and why it was refused.
// Some cases register VMs under the Java registry keys, so this executable runs alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "tests/system/launcher/launcher_test_support.h"
#include "tests/system/launcher/vm_spec_app.h"

using namespace velmora::test;

namespace {

const std::string kNoVmError =
    "Quillrun Error: Could not find a valid Java virtual machine to load.\n\n"
    "You may need to reinstall a supported Java virtual machine.\n";

// The trail's registry cases share the Java keys' clean-up.
using DiagnosticTrail = JavaRegistry;

}  // namespace

TEST_F(DiagnosticTrail, OffTheRunIsAsItAlwaysWas) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun18", L"onpath\\bin\\java.exe");
    std::wstring jre11 = app.placeVm(L"standin_vm_sun11", L"jre11\\bin\\java.exe");
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=JRE_1.8+ MSJ\n");
    const std::vector<std::wstring> path{app.path(L"onpath\\bin"), app.path(L"jre11\\bin")};

    // What this case has always printed and started (the scratch file's name is new each run).
    const std::string expectedOutput =
        "company: Sun Microsystems, Inc.\ncompany: Oracle Corporation\nstandin: application Main ran\n";
    const std::wstring expectedCommandLine =
        L"\"" + jre11 + L"\" --add-opens java.base/jdk.internal.loader=ALL-UNNAMED -Dsun.java2d.uiScale.enabled=false"
        L" -classpath \"" + app.path(L"app.jar") + L";\" Main \"" + app.forwardSlashes(app.path(L"app.kiv")) +
        L"\" \"<scratch>\" -x \"a b\"";

    std::string offError;
    for (std::optional<std::wstring> value : std::vector<std::optional<std::wstring>>{
             std::nullopt, L"false", L"1", L"TRUE"}) {
        const std::string name = value ? utf8(*value) : "unset";
        ::DeleteFileW(app.path(L"rec\\commandline.txt").c_str());
        ChildResult result = app.run(L"-x \"a b\"", path, debugSwitch(value));
        EXPECT_EQ(result.exitCode, 0u) << name << result.standardError;
        EXPECT_EQ(result.standardOutput, expectedOutput) << name;
        std::wstring line = app.recorded(L"commandline.txt");
        std::wstring scratch = app.scratchFileOf(line);
        ASSERT_FALSE(scratch.empty()) << name << ": " << utf8(line);
        line.replace(line.find(scratch), scratch.size(), L"<scratch>");
        EXPECT_EQ(line, expectedCommandLine) << name;

        SplitError error = splitTrail(result.standardError);
        if (value != L"TRUE") {
            EXPECT_EQ(result.standardError, "") << name;
            continue;
        }
        // On: only "quillrun: " lines are added, and they tell what happened.
        EXPECT_EQ(error.rest, "");
        EXPECT_TRUE(hasLine(error.trail, L"entry JRE_1.8+, JRE 11.0.2 at " + app.path(L"jre11") + L": accepted"));
        EXPECT_TRUE(hasLine(error.trail, L"entry MSJ, JRE 8.0.310 at " + app.path(L"onpath") +
                                             L": refused, kind JRE is not MSJ"));
        EXPECT_TRUE(hasLine(error.trail, L"starting: " + app.recorded(L"commandline.txt")));
    }
}

TEST_F(DiagnosticTrail, NamesEveryCandidateAndWhyItWasRefused) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun18", L"regjre8\\bin\\java.exe");
    app.placeVm(L"standin_vm_sun11", L"regjdk11\\bin\\java.exe");
    app.configureVm(L"regjdk11\\bin", "validator.exit=3\n");
    std::wstring pathJre = app.placeVm(L"standin_vm_sun18", L"onpath\\bin\\java.exe");
    app.configureVm(L"onpath\\bin", "exit=7\n");
    const REGSAM native = KEY_WOW64_64KEY;
    registerVm(native, L"SOFTWARE\\JavaSoft\\JRE\\1.8", app.path(L"regjre8"), L"0");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Development Kit\\11.0.2", app.path(L"regjdk11"), nullptr);
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.5", app.path(L"gone"), nullptr);  // no MicroVersion

    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=CHECK_JDK JRE_1.8.0_310\n");
    ChildResult result = app.run(L"", {app.path(L"missing"), app.path(L"onpath\\bin")}, debugSwitch(L"TRUE"));
    EXPECT_EQ(result.exitCode, 7u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), pathJre);
    const std::string trail = splitTrail(result.standardError).trail;
    const std::wstring regJre8Home = app.path(L"regjre8"), regJdkHome = app.path(L"regjdk11"),
                       pathHome = app.path(L"onpath");

    // Every candidate with its source.
    EXPECT_TRUE(hasLine(trail, L"candidate from registry HKLM\\SOFTWARE\\JavaSoft\\JRE (64-bit view), subkey 1.8: "
                               L"JRE, vendor Sun, version 8.0.0, not 64-bit, home " + regJre8Home));
    EXPECT_TRUE(hasLine(trail, L"candidate from registry HKLM\\SOFTWARE\\JavaSoft\\Java Development Kit (64-bit view),"
                               L" subkey 11.0.2: JDK, vendor Sun, version 11.0.2, not 64-bit, home " + regJdkHome));
    EXPECT_TRUE(hasLine(trail, L"registry HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment (64-bit view), subkey 1.5: "
                               L"dropped, key query failed: MicroVersion "
                               L"(SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.5)"));
    EXPECT_TRUE(hasLine(trail, L"PATH directory " + app.path(L"missing") + L": no Java executable"));
    EXPECT_TRUE(hasLine(trail, L"candidate from PATH directory " + app.path(L"onpath\\bin") + L": " + pathJre +
                               L": JRE, vendor Sun, version 8.0.310, not 64-bit, home " + pathHome));

    // Each entry against each record, with the validator's exit code.
    EXPECT_TRUE(hasLine(trail, L"the validator class with argument CHECK on JDK 11.0.2 at " + regJdkHome +
                               L" ended with exit code 3"));
    EXPECT_TRUE(hasLine(trail, L"entry CHECK_JDK, JDK 11.0.2 at " + regJdkHome +
                               L": refused, the validator class refused it (argument CHECK)"));
    EXPECT_TRUE(hasLine(trail, L"entry CHECK_JDK, JRE 8.0.0 at " + regJre8Home + L": refused, kind JRE is not JDK"));
    EXPECT_TRUE(hasLine(trail, L"entry JRE_1.8.0_310, JDK 11.0.2 at " + regJdkHome + L": refused, kind JDK is not JRE"));
    EXPECT_TRUE(hasLine(trail, L"entry JRE_1.8.0_310, JRE 8.0.0 at " + regJre8Home +
                               L": refused, version 8.0.0 does not match 1.8.0_310"));
    EXPECT_TRUE(hasLine(trail, L"entry JRE_1.8.0_310, JRE 8.0.310 at " + pathHome + L": accepted"));

    // The choice, what was started where, and how it ended, in the order of the run.
    EXPECT_TRUE(hasLine(trail, L"chosen VM: " + pathJre + L" (JRE, vendor Sun, version 8.0.310, not 64-bit, home " +
                               pathHome + L")"));
    EXPECT_TRUE(hasLine(trail, L"starting: " + app.recorded(L"commandline.txt")));
    EXPECT_TRUE(hasLine(trail, L"working directory: " + app.recorded(L"cwd.txt")));
    EXPECT_TRUE(hasLine(trail, L"the VM ended with exit code 7"));
    const size_t order[] = {lineAt(trail, L"command line: "), lineAt(trail, L"properties file "),
                            lineAt(trail, L"build options: "), lineAt(trail, L"candidate from registry"),
                            lineAt(trail, L"entry CHECK_JDK"), lineAt(trail, L"chosen VM: "),
                            trail.rfind("quillrun: starting: \"" + utf8(pathJre)), lineAt(trail, L"the VM ended")};
    for (size_t i = 1; i < std::size(order); ++i) EXPECT_LT(order[i - 1], order[i]) << i << "\n" << trail;
}

TEST_F(DiagnosticTrail, MessageOneHundredOneShowsWhyEveryCandidateWasRefused) {
    SpecApp app;
    app.placeVm(L"standin_vm_sun18", L"onpath\\bin\\java.exe");
    const std::vector<std::wstring> path{app.path(L"onpath\\bin")};

    // The list search: each installed VM refused by the one entry.
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=MSJ\n");
    ChildResult off = app.run(L"", path, debugSwitch(std::nullopt));
    ChildResult on = app.run(L"", path, debugSwitch(L"true"));
    EXPECT_EQ(off.exitCode, 1u);
    EXPECT_EQ(off.standardError, kNoVmError);
    EXPECT_EQ(on.exitCode, 1u);
    EXPECT_EQ(on.standardOutput, off.standardOutput);
    SplitError split = splitTrail(on.standardError);
    EXPECT_EQ(split.rest, kNoVmError);
    EXPECT_TRUE(hasLine(split.trail, L"entry MSJ, JRE 8.0.310 at " + app.path(L"onpath") +
                                         L": refused, kind JRE is not MSJ"));
    EXPECT_TRUE(hasLine(split.trail, L"no installed VM is accepted: the list search finds no VM"));
    EXPECT_TRUE(hasLine(split.trail, L"no VM was chosen: the run ends with message 101"));
    EXPECT_LT(on.standardError.find("quillrun: no VM was chosen"), on.standardError.find("Quillrun Error"));

    // A build option that names no branch.
    app.buildOptions("build.option=withVM\n");
    on = app.run(L"", path, debugSwitch(L"True"));
    EXPECT_EQ(splitTrail(on.standardError).rest, kNoVmError);
    EXPECT_TRUE(hasLine(on.standardError, L"build option build.option=withVM"));
    EXPECT_TRUE(hasLine(on.standardError, L"build.option \"withVM\" is neither withvm nor withoutvm: no VM"));

    // The search by VM specification files: a VM that fails Verify, folders that hold none, a registry
    // value that is not there and an installer folder that is unknown.
    app.buildOptions(kSpecBuild);
    app.write(L"jvmspecs\\Verify.jar", "");
    std::wstring driveJre = app.vm(L"drivejre");
    const std::wstring root = app.root();
    const std::string missingKey = "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\VelmoraTrailTest-" +
                                   std::to_string(::GetCurrentProcessId()) + "\\JavaHome";
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.version=1.7*\n/:\n"
                        "PLATFORM_HINT:\n" + missingKey + "\n/:\n"
                        "PATH_HINT:\n" + narrow(root.substr(2)) + "\\drivejre\n" +
                        narrow(root.substr(2)) + "\\nothing\n..\\jre\n/:\n");
    off = app.run(L"", path, debugSwitch(L"false"));
    on = app.run(L"", path, debugSwitch(L"TRUE"));
    EXPECT_EQ(off.exitCode, 1u);
    EXPECT_EQ(on.exitCode, 1u);
    EXPECT_TRUE(contains(off.standardError, kNoVmError)) << off.standardError;
    EXPECT_EQ(splitTrail(on.standardError).rest, off.standardError);
    EXPECT_EQ(on.standardOutput, off.standardOutput);
    const std::string& trail = on.standardError;
    EXPECT_TRUE(hasLine(trail, L"VM specification file jvmspecs\\a.spec: JVM_EXE bin\\java.exe, 1 property checks, "
                               L"1 registry hints, 3 path hints"));
    EXPECT_TRUE(hasLine(trail, L"registry hint " + velmora::utf8ToWide(missingKey) + L": no value there"));
    EXPECT_TRUE(hasLine(trail, L"candidate from path hint " + root.substr(2) + L"\\drivejre on drive " +
                               root.substr(0, 2) + L": " + driveJre +
                               L": refused by Verify, java.version is \"1.8.0_310\", expected \"1.7*\""));
    EXPECT_TRUE(hasLine(trail, L"candidate from path hint " + root.substr(2) + L"\\nothing on drive " +
                               root.substr(0, 2) + L": " + app.path(L"nothing\\bin\\java.exe") + L": no such file"));
    EXPECT_NE(lineAt(trail, L"path hint ..\\jre: "), std::string::npos) << trail;
    EXPECT_TRUE(hasLine(trail, L"search by VM specification files: 0 valid VMs not marked 64-bit, 0 marked; platform 1: "
                               L"the first VM not marked 64-bit, else the first marked"));
    EXPECT_TRUE(hasLine(trail, L"no VM was chosen: the run ends with message 101"));
}

// Which VM quillrun starts: the command line, jvmspecs.properties, kiv.nl.current.vm and
// the list search over the search path.
#include <gtest/gtest.h>

#include "tests/system/launcher/vm_test_app.h"

using namespace velmora::test;

namespace {

const std::string kKiv =
    "kiv.nl.java.launcher.main.class=Main\n"
    "kiv.class.path=app.jar\n";

}  // namespace

TEST(VmSelection, CommandLineVmComesFirst) {
    VmTestApp app;
    std::wstring named = app.placeVm(L"standin_vm_sun11", L"named\\bin\\java.exe");
    std::wstring listed = app.placeVm(L"standin_vm_sun18", L"listed\\bin\\java.exe");
    app.writeKiv(kKiv + "kiv.nl.current.vm=listed\\\\bin\\\\java.exe\n");
    app.write(L"jvmspecs\\jvmspecs.properties", "build.option=withvm\n");

    ChildResult result = app.run(L"KIV_VM " + named);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), named);
    // Both tokens are passed through to the application as well.
    std::wstring line = app.recorded(L"commandline.txt");
    std::wstring doubled;
    for (wchar_t c : named) doubled += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    EXPECT_EQ(line.substr(line.size() - doubled.size() - 7), L"KIV_VM " + doubled);

    // Without it the build options decide: a build that ships its own VM does not fall back
    // to the .kiv file's VM, even though that one is usable.
    ::DeleteFileW(app.path(L"rec\\exe.txt").c_str());
    result = app.run(L"");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(app.recorded(L"exe.txt"), L"");

    // "KIV_VM" as the last argument names nothing.
    ::DeleteFileW(app.path(L"jvmspecs\\jvmspecs.properties").c_str());
    ::DeleteFileW(app.path(L"rec\\exe.txt").c_str());
    result = app.run(L"a KIV_VM");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(app.recorded(L"exe.txt"), listed);
}

TEST(VmSelection, CurrentVmRelativeOrStale) {
    VmTestApp app;
    std::wstring pathVm = app.placeVm(L"standin_vm_sun18", L"onpath\\bin\\java.exe");
    std::wstring ownVm = app.placeVm(L"standin_vm_sun11", L"own\\bin\\java.exe");

    // A relative kiv.nl.current.vm resolves against the .kiv directory, not the start directory.
    app.write(L"start\\keep.txt", "");
    app.writeKiv(kKiv + "kiv.nl.current.vm=own\\\\bin\\\\java.exe\nkiv.nl.valid.vm.list=J2\n");
    ChildOptions options;
    options.workingDirectory = app.path(L"start");
    ChildResult result = app.run(L"", {app.path(L"onpath\\bin")}, options);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), ownVm);

    // A stale entry falls back to the list search.
    app.writeKiv(kKiv + "kiv.nl.current.vm=C:\\\\gone\\\\bin\\\\java.exe\nkiv.nl.valid.vm.list=J2\n");
    result = app.run(L"", {app.path(L"onpath\\bin")});
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), pathVm);

    // ...which finds nothing when the list accepts nothing installed.
    app.writeKiv(kKiv + "kiv.nl.current.vm=C:\\\\gone\\\\bin\\\\java.exe\nkiv.nl.valid.vm.list=MSJ\n");
    result = app.run(L"", {app.path(L"onpath\\bin")});
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_TRUE(contains(result.standardError, "Quillrun Error: Could not find a valid Java virtual machine to load.\n\n"
                                               "You may need to reinstall a supported Java virtual machine.\n"));
}

TEST(VmSelection, ListSearchOverThePathLayouts) {
    VmTestApp app;
    // A runtime in a bin folder, and a development kit (javac beside it) without one.
    std::wstring jre8 = app.placeVm(L"standin_vm_sun18", L"jre8\\bin\\java.exe");
    std::wstring jdk11 = app.placeVm(L"standin_vm_sun11", L"jdk11\\java.exe");
    app.placeVm(L"standin_vm", L"jdk11\\javac.exe");
    app.placeVm(L"standin_vm_sun11", L"jdk11\\javaw.exe");
    std::vector<std::wstring> path{L"C:\\windows\\system32", app.path(L"jre8\\bin"), app.path(L"missing"),
                                   app.path(L"jdk11")};
    auto chosenFor = [&](const std::string& list) {
        ::DeleteFileW(app.path(L"rec\\exe.txt").c_str());
        app.writeKiv(kKiv + "kiv.nl.valid.vm.list=" + list + "\n");
        ChildResult result = app.run(L"", path);
        return result.exitCode == 0 ? app.recorded(L"exe.txt") : L"exit " + std::to_wstring(result.exitCode);
    };
    EXPECT_EQ(chosenFor("JRE"), jre8);
    EXPECT_EQ(chosenFor("jdk"), jdk11);
    EXPECT_EQ(chosenFor("J2"), jdk11);          // the highest version wins
    EXPECT_EQ(chosenFor("JDK_J2 JRE_1.8"), jdk11);  // entries qualify, they do not rank
    EXPECT_EQ(chosenFor("1.8.0_310"), jre8);
    EXPECT_EQ(chosenFor("ALL_1.8*"), jre8);
    EXPECT_EQ(chosenFor("   "), L"exit 1");
    EXPECT_EQ(chosenFor("J1"), L"exit 1");
}

TEST(VmSelection, ValidatorClassDecidesCustomEntries) {
    VmTestApp app;
    std::wstring jre8 = app.placeVm(L"standin_vm_sun18", L"jre8\\bin\\java.exe");
    std::wstring jdk11 = app.placeVm(L"standin_vm_sun11", L"jdk11\\bin\\java.exe");
    app.configureVm(L"jdk11\\bin", "validator.exit=1\n");
    std::vector<std::wstring> path{app.path(L"jre8\\bin"), app.path(L"jdk11\\bin")};

    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=check_ALL\n");
    ChildResult result = app.run(L"", path);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), jre8);  // the newer VM was refused by the validator

    // Each installed VM ran the validator once, with the application's class path and the
    // upper-cased argument, before the application itself.
    std::wstring log = app.recorded(L"runs.log");
    std::wstring classPath = app.path(L"app.jar") + L";";
    EXPECT_NE(log.find(L"validator|" + jre8 + L"|\"" + jre8 + L"\" -classpath \"" + classPath +
                       L"\" com.merrow.util.jvm.Validator 1 CHECK\n"),
              std::wstring::npos)
        << log;
    EXPECT_NE(log.find(L"validator|" + jdk11 + L"|"), std::wstring::npos);
    EXPECT_LT(log.rfind(L"validator|"), log.find(L"application|"));

    app.configureVm(L"jre8\\bin", "validator.exit=-1\n");
    result = app.run(L"", path);
    EXPECT_EQ(result.exitCode, 1u);
}

// VMs registered under the Java registry keys of the test prefix, chosen by the real
// quillrun.exe. The keys are machine-wide, so this executable runs alone.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/registry_keys.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora::test;

TEST_F(JavaRegistry, QuillrunChoosesTheBestRegisteredVm) {
    VmTestApp app;
    // The registry's version decides, not the executable's own resource.
    std::wstring jre11 = app.placeVm(L"standin_vm_sun18", L"jre11\\bin\\java.exe");
    app.placeVm(L"standin_vm_sun11", L"jre6\\bin\\java.exe");
    const REGSAM native = KEY_WOW64_64KEY;
    registerVm(native, L"SOFTWARE\\JavaSoft\\JRE\\11", app.path(L"jre11"), nullptr);
    registerVm(native, L"SOFTWARE\\JavaSoft\\JDK\\11", app.path(L"jre11"), nullptr);  // the same VM twice
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", app.path(L"jre6"), L"0");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0_31", app.path(L"gone"), L"0");

    app.writeKiv("kiv.nl.java.launcher.main.class=Main\nkiv.class.path=a.jar\nkiv.nl.valid.vm.list=J2\n");
    ChildResult result = app.run(L"");
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), jre11);
    EXPECT_NE(app.recorded(L"commandline.txt").find(L"--add-opens"), std::wstring::npos);

    // The best 1.6.0 is registered with a home that holds nothing: its start fails.
    app.writeKiv("kiv.nl.java.launcher.main.class=Main\nkiv.class.path=a.jar\nkiv.nl.valid.vm.list=1.6.0\n");
    result = app.run(L"");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_TRUE(contains(result.standardError, "Windows error 2 occured while loading the Java VM"));
}

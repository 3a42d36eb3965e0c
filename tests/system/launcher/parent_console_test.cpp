// The windowed launcher with kiv.attach.console, run as users run it: through cmd on a console,
// its output redirected to files, and from a parent without a console, as Explorer is.
//
// Measured under Wine 8 here: a program that wine64 starts from a Linux shell has no console
// unless its standard input is a terminal (CONOUT$ does not open), and a windowed program it
// starts fails AttachConsole(ATTACH_PARENT_PROCESS) with error 6. The cases do not depend on
// this test program's console: cmd started with CREATE_NO_WINDOW gets a console of its own
// without a window. A windowed program
// that cmd starts there is on that console from its first moment (its standard handles are the
// console's where nothing is redirected, and AttachConsole fails with ERROR_ACCESS_DENIED),
// where Windows leaves it without a console until it attaches. cmd started with DETACHED_PROCESS
// has no console, and neither has what it starts. These consoles have no window
// (GetConsoleWindow is null): the stand-in VM reports whether CONOUT$ opens and how many
// processes share its console instead.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/dialog_driver/dialog_driver.h"
#include "tests/support/test_paths.h"
#include "tests/system/launcher/launcher_test_support.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora::test;

namespace {

const std::string kKiv =
    "kiv.nl.java.launcher.main.class=com.example.Main\n"
    "kiv.class.path=lib/a.jar\n"
    "kiv.nl.java.arguments.plain=true\n";

const std::wstring kCmd = L"C:\\windows\\system32\\cmd.exe /c app.exe one > out.txt 2> err.txt";

// A copy of the windowed launcher as app.exe.
void useWindowedLauncher(const VmTestApp& app) {
    ASSERT_TRUE(::CopyFileW(distProgram(L"quillrunw.exe").c_str(), app.path(L"app.exe").c_str(), FALSE));
}

}  // namespace

TEST(ParentConsole, TheConsoleVmSharesTheConsoleItWasStartedFrom) {
    const struct {
        const char* name;
        bool key;
        DWORD cmdConsole;       // how cmd is started: on a console of its own, or with none
        bool consoleVmThere;    // java.exe beside javaw.exe
        const char* vmKey;      // kiv.nl.current.vm
        const wchar_t* vm;      // the executable that ran
        const char* vmConsole;  // console.txt as the VM wrote it; nullptr: not looked at
    } cases[] = {
        {"from a console: java.exe on that console", true, CREATE_NO_WINDOW, true, "jdk\\\\bin\\\\java.exe",
         L"java.exe", "console=yes\nprocesses=3\n"},
        {"from a console, javaw.exe chosen: java.exe beside it", true, CREATE_NO_WINDOW, true,
         "jdk\\\\bin\\\\javaw.exe", L"java.exe", "console=yes\nprocesses=3\n"},
        {"from a console, no java.exe: javaw.exe with the redirections", true, CREATE_NO_WINDOW, false,
         "jdk\\\\bin\\\\javaw.exe", L"javaw.exe", nullptr},
        {"no console: javaw.exe as without the key, and no console made", true, DETACHED_PROCESS, true,
         "jdk\\\\bin\\\\java.exe", L"javaw.exe", "console=no\nprocesses=0\n"},
        {"without the key from a console: javaw.exe as always", false, CREATE_NO_WINDOW, true,
         "jdk\\\\bin\\\\java.exe", L"javaw.exe", nullptr},
    };
    for (const auto& c : cases) {
        VmTestApp app;
        useWindowedLauncher(app);
        if (c.consoleVmThere) app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
        app.placeVm(L"standin_vm_windowed", L"jdk\\bin\\javaw.exe");
        app.writeKiv(kKiv + "kiv.nl.current.vm=" + c.vmKey + "\n" + (c.key ? "kiv.attach.console=true\n" : ""));
        ChildOptions options = debugSwitch(L"true");
        options.consoleFlag = c.cmdConsole;
        options.extraEnvironment.push_back(L"STANDIN_OUTPUT=from the program\\n");
        ChildResult result = app.runCommand(kCmd, {}, options);
        ASSERT_EQ(result.exitCode, 0u) << c.name << "\n" << describe(result) << readFileBytes(app.path(L"err.txt"));
        EXPECT_EQ(readFileBytes(app.path(L"out.txt")), "from the program\n") << c.name;
        EXPECT_EQ(app.recorded(L"exe.txt"), app.path(L"jdk\\bin\\") + c.vm) << c.name;
        if (c.vmConsole) {
            EXPECT_EQ(app.recordedBytes(L"console.txt"), c.vmConsole) << c.name;
        }
        const std::string trail = splitTrail(readFileBytes(app.path(L"err.txt"))).trail;
        EXPECT_EQ(lineAt(trail, L"console: started from a console (") != std::string::npos,
                  c.key && c.cmdConsole == CREATE_NO_WINDOW)
            << c.name << "\n" << trail;
    }
}

TEST(ParentConsole, ErrorsGoToTheConsoleInsteadOfABox) {
    VmTestApp app;
    useWindowedLauncher(app);
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=17+\nkiv.attach.console=true\n");
    DialogCloser closer(app.root() + L"\\");
    ChildResult result = app.runCommand(kCmd, {}, debugSwitch(std::nullopt));
    EXPECT_TRUE(closer.stop().empty()) << "no message box";
    EXPECT_EQ(result.exitCode, 1u) << describe(result);
    EXPECT_EQ(readFileBytes(app.path(L"err.txt")),
              "Quillrun Error: Could not find a valid Java virtual machine to load.\n\nYou may need to reinstall a "
              "supported Java virtual machine.\n");
}

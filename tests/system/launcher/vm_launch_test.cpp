// The java command line and the process start, seen from the stand-in VM's side.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "common/argument_quoting.h"
#include "tests/support/argument_cases.h"
#include "tests/support/test_paths.h"
#include "tests/system/launcher/launcher_test_support.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora::test;

namespace {

const std::string kBaseKiv =
    "kiv.nl.java.launcher.main.class=com.example.Main\n"
    "kiv.class.path=lib/a.jar;lib/b.jar\n";

std::wstring endOfLine(const std::wstring& text) {
    size_t end = text.find_last_not_of(L"\r\n");
    size_t start = text.rfind(L'\n', end);
    return text.substr(start == std::wstring::npos ? 0 : start + 1, end - (start == std::wstring::npos ? 0 : start + 1) + 1);
}

}  // namespace

TEST(JavaCommandLine, StandardFormForAModernVmAndTheScratchFile) {
    VmTestApp app;
    std::wstring java = app.placeVm(L"standin_vm_sun11", L"jdk\u00e9\\bin\\java.exe");
    app.writeKiv(kBaseKiv +
                 "kiv.nl.current.vm=jdk\\u00e9\\\\bin\\\\java.exe\n"
                 "kiv.nl.java.option.java.heap.size.initial=16m\n"
                 "kiv.nl.java.option.java.heap.size.max=48m\n");
    ChildOptions options;
    options.extraEnvironment.push_back(L"INJECTED=a\nkiv.control-key=true");  // a value that would end its line
    ChildResult result = app.run(L"", {}, options);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_TRUE(contains(result.standardOutput, "company: Oracle Corporation"));

    std::wstring line = app.recorded(L"commandline.txt");
    std::wstring scratch = app.scratchFileOf(line);
    ASSERT_FALSE(scratch.empty()) << line;
    EXPECT_EQ(line, L"\"" + java + L"\" --add-opens java.base/jdk.internal.loader=ALL-UNNAMED "
                    L"-Dsun.java2d.uiScale.enabled=false -Xms16777216 -Xmx50331648 -classpath \"" +
                        app.path(L"lib\\a.jar") + L";" + app.path(L"lib\\b.jar") + L";\" com.example.Main \"" +
                        app.forwardSlashes(app.path(L"app.kiv")) + L"\" \"" + scratch + L"\" ");

    // The Java side reads both files: the .kiv file as shipped, the scratch file with the
    // environment and, last, the chosen VM in the escaped form.
    EXPECT_EQ(app.recordedBytes(L"propfile1.txt").substr(0, 20), kBaseKiv.substr(0, 20));
    std::string scratchText = app.recordedBytes(L"propfile2.txt");
    EXPECT_TRUE(contains(scratchText, "kiv.nl.env.exact_case.STANDIN_RECORD=")) << scratchText.substr(0, 200);
    EXPECT_TRUE(contains(scratchText, "\nkiv.nl.env.exact_case.INJECTED=a\\u000akiv.control-key=true\r\n"));
    EXPECT_FALSE(contains(scratchText, "\nkiv.control-key"));
    std::wstring escaped;
    for (wchar_t c : java) {
        if (c == L'\\') escaped += L"\\\\";
        else if (c == L'\u00e9') escaped += L"\\u00e9";
        else escaped += c;
    }
    EXPECT_EQ(endOfLine(widen(scratchText)), L"kiv.nl.current.vm=" + escaped);
    EXPECT_EQ(scratchText.substr(scratchText.size() - 2), "\r\n");
}

TEST(JavaCommandLine, OlderVmWithEveryOptionAndPassThroughArguments) {
    VmTestApp app;
    std::wstring java = app.placeVm(L"standin_vm_sun18", L"jre\\bin\\java.exe");
    app.writeKiv(
        "kiv.nl.java.launcher.main.class=com.example.Main\n"
        "kiv.class.path=;lib\\\\a.jar;sub/../b.jar;;\n"
        "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n"
        "kiv.nl.java.option.java.heap.size.max=4096m\n"
        "kiv.nl.java.option.java.heap.size.initial=0\n"
        "kiv.nl.java.option.verbose=GC\n"
        "kiv.nl.java.option.debugging=true\n"
        "kiv.nl.java.option.garbage.collection.background.thread=on\n"
        "kiv.nl.java.option.compiler=t\n"
        "kiv.nl.java.option.garbage.collection.extent=anything\n"
        "kiv.nl.java.option.additional=-Dfoo=1 -Dbar=2\n");
    ChildResult result = app.run(L"\"C:\\No Such\\x.txt\" -Dx=1 a\\b");
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    std::wstring line = app.recorded(L"commandline.txt");
    std::wstring scratch = app.scratchFileOf(line);
    EXPECT_EQ(line, L"\"" + java + L"\" -Xmx4294967296 -verbose:gc -Xdebug -Xnoasyncgc -Djava.compiler=off -Xnoclassgc "
                    L"-Dfoo=1 -Dbar=2 -classpath \"" + app.root() + L"\\;" + app.path(L"lib\\a.jar") + L";" +
                        app.path(L"b.jar") + L";\" com.example.Main \"" + app.forwardSlashes(app.path(L"app.kiv")) +
                        L"\" \"" + scratch + L"\" \"C:\\\\No Such\\\\x.txt\" -Dx=1 a\\\\b");
}

TEST(JavaCommandLine, ExistingFileArgumentsBecomeFullPaths) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun18", L"jre\\bin\\java.exe");
    app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n");
    app.write(L"start\\data.txt", "");
    app.write(L"start\\sub\\x.txt", "");
    ChildOptions options;
    options.workingDirectory = app.path(L"start");  // relative arguments name files here, not beside the .kiv
    ChildResult result = app.run(L"data.txt sub\\x.txt sub missing.txt /S", {}, options);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    auto doubled = [](std::wstring text) {
        for (size_t at = text.find(L'\\'); at != std::wstring::npos; at = text.find(L'\\', at + 2)) text.insert(at, 1, L'\\');
        return text;
    };
    const std::wstring line = app.recorded(L"commandline.txt");
    const std::wstring expected = L"\" " + doubled(app.path(L"start\\data.txt")) + L" " +
                                  doubled(app.path(L"start\\sub\\x.txt")) + L" " + doubled(app.path(L"start\\sub")) +
                                  L" missing.txt /S";
    ASSERT_GE(line.size(), expected.size()) << line;
    EXPECT_EQ(line.substr(line.size() - expected.size()), expected);
}

TEST(JavaCommandLine, InvalidVerbosityAndWorkingDirectories) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun18", L"jre\\bin\\java.exe");
    app.write(L"work\\keep.txt", "");
    app.write(L"elsewhere\\keep.txt", "");
    app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\nkiv.nl.java.option.verbose=Loud\n");
    ChildOptions options;
    options.workingDirectory = app.path(L"elsewhere");
    ChildResult result = app.run(L"", {}, options);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(contains(result.standardError, "invalid verbosity selection 'loud', disabling verbosity.\n"));
    EXPECT_EQ(app.recorded(L"commandline.txt").find(L"-verbose"), std::wstring::npos);
    // No kiv.user.dir: the directory the launcher was started in, not the .kiv directory.
    EXPECT_EQ(app.recorded(L"cwd.txt"), app.path(L"elsewhere"));

    app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\nkiv.user.dir=work\n");
    result = app.run(L"", {}, options);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(app.recorded(L"cwd.txt"), app.path(L"work"));
}

TEST(JavaCommandLine, ClassicFormThroughJreOrJava) {
    VmTestApp app;
    std::wstring jre = app.placeVm(L"standin_vm_classic", L"old\\bin\\jre.exe");
    app.placeVm(L"standin_vm_classic", L"old\\bin\\java.exe");
    std::wstring java = app.placeVm(L"standin_vm_classic", L"older\\bin\\java.exe");
    app.writeKiv(
        "kiv.nl.java.launcher.main.class=Main\n"
        "kiv.class.path=lib/a.jar\n"
        "kiv.nl.valid.vm.list=J1\n"
        "kiv.nl.java.option.java.heap.size.initial=1k\n"
        "kiv.nl.java.option.java.heap.size.max=2m\n"
        "kiv.nl.java.option.verbose=class\n"
        "kiv.nl.java.option.debugging=on\n"
        "kiv.nl.java.option.garbage.collection.background.thread=true\n"
        "kiv.nl.java.option.compiler=on\n"
        "kiv.nl.java.option.garbage.collection.extent=x\n");
    ChildResult result = app.run(L"", {app.path(L"old\\bin")});
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    std::wstring line = app.recorded(L"commandline.txt");
    EXPECT_EQ(line.substr(0, line.find(L" Main ")),
              L"\"" + jre + L"\" -ms1024 -mx2097152 -verbose -debug -noasyncgc -nojit -noclassgc -cp \"" +
                  app.path(L"lib\\a.jar") + L";" + app.path(L"old\\lib\\classes.zip") + L";\"");

    app.writeKiv("kiv.nl.java.launcher.main.class=Main\nkiv.class.path=lib/a.jar\nkiv.nl.valid.vm.list=J1\n");
    result = app.run(L"", {app.path(L"older\\bin")});
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    line = app.recorded(L"commandline.txt");
    EXPECT_EQ(line.substr(0, line.find(L" Main ")), L"\"" + java + L"\" -classpath \"" + app.path(L"lib\\a.jar") + L";" +
                                                        app.path(L"older\\lib\\classes.zip") + L";\"");
}

TEST(JavaCommandLine, MicrosoftVmFormAndMinimumBuild) {
    VmTestApp app;
    std::wstring jview = app.placeVm(L"standin_vm_jview", L"msvm\\jview.exe");
    app.writeKiv(
        "kiv.nl.java.launcher.main.class=Main\n"
        "kiv.class.path=lib/a.jar\n"
        "kiv.nl.valid.vm.list=MSJ\n"
        "kiv.nl.java.option.java.heap.size.max=2m\n"
        "kiv.nl.java.option.debugging=on\n"
        "kiv.nl.win32.microsoftvm.min.version=3167\n");
    ChildResult result = app.run(L"x", {app.path(L"msvm")});
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    std::wstring line = app.recorded(L"commandline.txt");
    std::wstring classPath = app.path(L"lib\\a.jar") + L";";
    EXPECT_EQ(line, L"\"" + jview + L"\" /cp \"" + classPath + L"\" Main \"" + app.forwardSlashes(app.path(L"app.kiv")) +
                        L"\" \"" + app.scratchFileOf(line) + L"\" x");
    EXPECT_EQ(app.recorded(L"env_CLASSPATH.txt"), classPath);  // the Microsoft VM reads it from its environment

    app.writeKiv(
        "kiv.nl.java.launcher.main.class=Main\n"
        "kiv.class.path=lib/a.jar\n"
        "kiv.nl.valid.vm.list=MSJ\n"
        "kiv.nl.win32.microsoftvm.min.version=3200\n");
    result = app.run(L"", {app.path(L"msvm")});
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_TRUE(contains(result.standardError, "Quillrun Error: Could not find a valid Java virtual machine to load."));
}

TEST(VmProcess, ExitCodesPassThrough) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun18", L"jre\\bin\\java.exe");
    app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n");
    for (int code : {0, 3, -2}) {
        ChildOptions options;
        options.extraEnvironment.push_back(L"STANDIN_EXIT=" + std::to_wstring(code));
        ChildResult result = app.run(L"", {}, options);
        EXPECT_EQ(result.exitCode, static_cast<DWORD>(code));
        EXPECT_TRUE(contains(result.standardOutput, "standin: application com.example.Main ran"));
    }
}

// The message keeps its first line; the program the system could not start follows on the next.
TEST(VmProcess, ExecutableThatCannotStartGivesMessage103AndItsPath) {
    const struct {
        const char* name;
        const wchar_t* named;     // kiv.nl.current.vm, a text file
        const wchar_t* started;   // what the launcher starts for it
    } cases[] = {
        {"its home holds no java.exe", L"vm\\start.exe", L"vm\\java.exe"},
        {"a text file named java.exe", L"jre\\bin\\java.exe", L"jre\\bin\\java.exe"},
    };
    for (const auto& c : cases) {
        VmTestApp app;
        app.write(c.named, "not a program");
        std::string named = utf8(c.named);
        std::string escaped;
        for (char ch : named) escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
        app.writeKiv(kBaseKiv + "kiv.nl.current.vm=" + escaped + "\n");
        ChildResult result = app.run(L"");
        EXPECT_EQ(result.exitCode, 1u) << c.name;
        const std::string& error = result.standardError;
        const std::string first = " occured while loading the Java VM\n";
        size_t at = error.find(first);
        ASSERT_NE(at, std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.rfind("Quillrun Error: Windows error ", 0), 0u) << c.name << ": " << error;
        EXPECT_EQ(error.substr(at + first.size()), utf8(app.path(c.started)) + "\n") << c.name;
    }
}

namespace {

// The application of a real report: its jar and 400 dependency jars with long names.
std::string manyJarsKiv() {
    std::string classPath = "hello.jar";
    for (int i = 1; i <= 400; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, ";lib/commons-something-library-%03d-1.2.3.jar", i);
        classPath += name;
    }
    return "kiv.nl.java.launcher.main.class=com.example.Main\nkiv.class.path=" + classPath +
           "\nkiv.nl.current.vm=jre\\\\bin\\\\java.exe\n";
}

std::wstring manyJarsClassPath(const VmTestApp& app) {
    std::wstring classPath = app.path(L"hello.jar") + L";";
    for (int i = 1; i <= 400; ++i) {
        wchar_t name[64];
        std::swprintf(name, 64, L"lib\\commons-something-library-%03d-1.2.3.jar;", i);
        classPath += app.path(name);
    }
    return classPath;
}

}  // namespace

TEST(LongCommandLine, ClassPathReachesAVersion17VmInAnArgumentFile) {
    VmTestApp app;
    app.placeVm(L"standin_vm_zulu", L"jre\\bin\\java.exe");
    app.writeKiv(manyJarsKiv());
    ChildOptions options;
    options.extraEnvironment.push_back(L"STANDIN_EXIT=3");
    ChildResult result = app.run(L"\"two words\" x", {}, options);
    EXPECT_EQ(result.exitCode, 3u) << result.standardError;
    EXPECT_EQ(result.standardError, "");

    const std::wstring line = app.recorded(L"commandline.txt");
    EXPECT_LT(line.size(), 32767u);
    EXPECT_EQ(line.find(L"-classpath"), std::wstring::npos) << utf8(line);
    EXPECT_EQ(app.recorded(L"classpath.txt"), manyJarsClassPath(app));
    // The file sits beside the scratch file, with its name; the program's arguments stay on the line.
    std::wstring scratch = app.scratchFileOf(line);
    ASSERT_GT(scratch.size(), 4u) << utf8(line);
    for (auto& ch : scratch) if (ch == L'/') ch = L'\\';
    const std::wstring argumentFile = scratch.substr(0, scratch.size() - 4) + L".args";
    EXPECT_NE(line.find(L" @" + argumentFile + L" com.example.Main \""), std::wstring::npos) << utf8(line);
    EXPECT_EQ(line.substr(line.size() - 13), L"\"two words\" x");
    EXPECT_TRUE(readFileBytes(argumentFile).starts_with("# quillrun")) << utf8(argumentFile);
}

// No VM starts where no argument file can help: one line with the length and the limit, exit 1.
TEST(LongCommandLine, RefusedWithItsLengthWhereNoArgumentFileHelps) {
    const struct {
        const char* name;
        const wchar_t* vm;
        bool manyJars;
        std::wstring arguments;
        const char* reason;
    } cases[] = {
        {"a version-8 VM", L"standin_vm_sun18", true, L"", "VMs before version 9 take no argument file"},
        {"the user's own argument", L"standin_vm_zulu", false, std::wstring(32600, L'a') + L" next",
         "the main class and the program's arguments alone are too long"},
    };
    for (const auto& c : cases) {
        VmTestApp app;
        app.placeVm(c.vm, L"jre\\bin\\java.exe");
        app.writeKiv(c.manyJars ? manyJarsKiv() : kBaseKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\n");
        ChildResult result = app.run(c.arguments);
        EXPECT_EQ(result.exitCode, 1u) << c.name;
        const std::string& error = result.standardError;
        EXPECT_EQ(error.rfind("Quillrun Error: the Java command line would be ", 0), 0u) << c.name << ": " << error;
        EXPECT_TRUE(contains(error, " characters long; Windows starts no program with more than 32766 (32767 with the "
                                    "terminating zero): " + std::string(c.reason) + "\n"))
            << c.name << ": " << error;
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << c.name;
        EXPECT_EQ(app.recorded(L"commandline.txt"), L"") << c.name << ": a VM was started";
    }
}

// Windows would end the line at the NUL and drop the user's arguments behind it.
constexpr char kNulMainClass[] = "kiv.nl.java.launcher.main.class=com.example.Main\0junk\n";

TEST(KivValues, ValueHoldingNulIsRefusedNamingItsKey) {
    const struct {
        std::string line;
        const char* key;
    } cases[] = {
        {std::string(kNulMainClass, sizeof kNulMainClass - 1), "kiv.nl.java.launcher.main.class"},
        {"kiv.nl.java.option.additional=-Dx=\\u0000y\n", "kiv.nl.java.option.additional"},
    };
    for (const auto& c : cases) {
        VmTestApp app;
        app.placeVm(L"standin_vm_sun11", L"jre\\bin\\java.exe");
        app.writeKiv("kiv.class.path=lib/a.jar\nkiv.nl.current.vm=jre\\\\bin\\\\java.exe\n"
                     "kiv.nl.java.launcher.main.class=com.example.Main\n" + c.line);
        ChildResult result = app.run(L"a b");
        EXPECT_EQ(result.exitCode, 1u) << c.key;
        EXPECT_EQ(result.standardError, "Quillrun Error: " + utf8(app.path(L"app.kiv")) + ": the value of " + c.key +
                                            " holds a NUL character, which no command line can carry\n");
        EXPECT_EQ(app.recorded(L"commandline.txt"), L"") << c.key << ": a VM was started";
    }
}

TEST(VmProcess, PauseAfterTheJavaProcessEnds) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun18", L"jre\\bin\\java.exe");
    app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\nkiv.win32.console.pause=Yes\n");
    ChildOptions options;
    options.standardInput = "\n";
    options.extraEnvironment.push_back(L"STANDIN_EXIT=3");
    ChildResult result = app.run(L"", {}, options);
    EXPECT_EQ(result.exitCode, 3u);
    size_t ran = result.standardOutput.find("standin: application com.example.Main ran");
    size_t pause = result.standardOutput.find("[press enter to close this window]\n");
    ASSERT_NE(pause, std::string::npos) << result.standardOutput;
    EXPECT_LT(ran, pause);

    app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\nkiv.win32.console.pause=t\n");
    result = app.run(L"", {}, options);
    EXPECT_FALSE(contains(result.standardOutput, "[press enter"));
}

TEST(JavaCommandLine, PlainArgumentsArriveAsTypedAndTheFilesAsProperties) {
    VmTestApp app;
    std::wstring java = app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
    app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jdk\\\\bin\\\\java.exe\nkiv.nl.java.arguments.plain=true\n");
    const std::vector<std::wstring>& cases = awkwardArguments();
    // The launcher's own pair names the VM and goes no further.
    std::vector<std::wstring> typed = {L"KIV_VM", java};
    typed.insert(typed.end(), cases.begin(), cases.end());
    ChildResult result = app.run(velmora::joinArguments(typed));
    ASSERT_EQ(result.exitCode, 0u) << result.standardError;

    const std::wstring line = app.recorded(L"commandline.txt");
    EXPECT_EQ(programArgumentsOf(line, L"com.example.Main"), cases) << line;
    std::vector<std::wstring> all = systemSplit(line);
    auto mainClass = std::find(all.begin(), all.end(), L"com.example.Main");
    ASSERT_GE(mainClass - all.begin(), 2);
    EXPECT_EQ(*(mainClass - 2), L"-Dkiv.file=" + app.path(L"app.kiv"));
    const std::wstring runtimeFile = *(mainClass - 1);
    ASSERT_EQ(runtimeFile.rfind(L"-Dkiv.runtime.file=", 0), 0u) << line;
    // The program read it while it ran; it holds the environment, so it goes with the VM.
    EXPECT_TRUE(contains(app.recordedBytes(L"propfile2.txt"), "kiv.nl.current.vm=")) << line;
    EXPECT_FALSE(fileExists(runtimeFile.substr(19))) << line;
}

TEST(JavaCommandLine, WithoutPlainArgumentsTheLineStaysAsItWas) {
    VmTestApp app;
    app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
    const std::vector<std::wstring> typed = {L"plain", L"C:\\dir\\", L"\\\\server\\share", L"\u00e4 \u65e5", L"-i", L"KIV_VM"};
    for (const char* key : {"", "kiv.nl.java.arguments.plain=false\n", "kiv.nl.java.arguments.plain=yes\n"}) {
        app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jdk\\\\bin\\\\java.exe\n" + key);
        ChildResult result = app.run(velmora::joinArguments(typed));
        ASSERT_EQ(result.exitCode, 0u) << result.standardError;
        const std::wstring line = app.recorded(L"commandline.txt");
        const std::wstring tail = L" com.example.Main \"" + app.forwardSlashes(app.path(L"app.kiv")) + L"\" \"" +
                                  app.scratchFileOf(line) + L"\" plain C:\\\\dir\\\\ \\\\\\\\server\\\\share \"\u00e4 \u65e5\" -i KIV_VM";
        ASSERT_GE(line.size(), tail.size()) << key;
        EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << key;
        EXPECT_EQ(line.find(L"-Dkiv."), std::wstring::npos) << key;
    }
}

TEST(JavaCommandLine, WindowedLauncherStartsJavawConsoleLauncherJava) {
    const struct {
        const wchar_t* launcher;
        bool javawPresent;
        const wchar_t* started;
    } cases[] = {
        {L"quillrun.exe", true, L"java.exe"},
        {L"quillrunw.exe", true, L"javaw.exe"},
        {L"quillrunw.exe", false, L"java.exe"},  // no javaw.exe: the console VM, without a window
    };
    for (const auto& c : cases) {
        VmTestApp app;
        ASSERT_TRUE(::CopyFileW(distProgram(c.launcher).c_str(), app.path(L"app.exe").c_str(), FALSE));
        app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
        if (c.javawPresent) app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\javaw.exe");
        app.writeKiv(kBaseKiv + "kiv.nl.current.vm=jdk\\\\bin\\\\java.exe\n");
        ChildOptions options;
        options.extraEnvironment.push_back(L"STANDIN_EXIT=4");
        ChildResult result = app.run(L"a", {}, options);
        EXPECT_EQ(result.exitCode, 4u) << c.launcher << result.standardError;
        EXPECT_EQ(app.recorded(L"exe.txt"), app.path(L"jdk\\bin\\") + c.started) << c.launcher;
        EXPECT_TRUE(contains(result.standardOutput, "standin: application com.example.Main ran")) << c.launcher;
    }
}

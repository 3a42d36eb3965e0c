// Silent and console runs of packed installers: what the started launcher receives, the
// exit code it hands back, the working directory and sea_loc.
#include <gtest/gtest.h>

#include "common/argument_quoting.h"
#include "common/text_convert.h"
#include "tests/support/argument_cases.h"
#include "tests/support/test_paths.h"
#include "tests/system/selfextract/test_installer.h"

using namespace velmora::test;

namespace {

std::wstring trimmedEnd(std::wstring text) {
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    return text;
}

}  // namespace

TEST(Launch, LaunchLineWorkingDirectoryAndSeaLoc) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.add(L"InstallerData\\classes.jar", "jar");
    installer.pack();

    ChildResult result =
        installer.runQuoted(L"-i silent a \"b c\"", {.extraEnvironment = {L"STANDIN_EXIT=3"}});
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 3u);
    auto directories = installer.workingDirectories();
    ASSERT_EQ(directories.size(), 1u);
    std::wstring working = directories[0];
    // The launcher's path in quotes; the user's arguments keep the space after the quote.
    std::wstring launcher = working + L"\\Windows\\setup.exe";
    EXPECT_EQ(installer.recorded(L"commandline.txt"), L"\"" + launcher + L"\"  -i silent a \"b c\"");
    EXPECT_EQ(installer.recorded(L"exe.txt"), launcher);
    EXPECT_EQ(installer.recorded(L"cwd.txt"), working);
    // The extracted files stay for the installer, and sea_loc points back at the installer.
    EXPECT_EQ(readFileBytes(working + L"\\InstallerData\\classes.jar"), "jar");
    EXPECT_EQ(readFileBytes(working + L"\\sea_loc"), velmora::wideToUtf8(installer.installer()) + "\n" + '\0');
    std::string log = installer.seaLog();
    EXPECT_TRUE(contains(log, "Running in Silent Mode\r\n"));
    EXPECT_TRUE(contains(log, "Success. The extracted file execution has begun.\r\n"));
    EXPECT_TRUE(contains(log, "*** The process has terminated with an exit code of 3 ***\r\n"));
}

TEST(Launch, UnquotedProgramPathsAndNegativeExitCodes) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.pack();
    // No spaces in the test's folders: the path may stand unquoted.
    ASSERT_EQ(installer.installer().find(L' '), std::wstring::npos);

    ChildResult console = installer.run(installer.installer() + L" -i console x", {.extraEnvironment = {L"STANDIN_EXIT=-2"}});
    EXPECT_EQ(console.exitCode, static_cast<DWORD>(-2));
    std::wstring launcher = installer.workingDirectories().at(0) + L"\\Windows\\setup.exe";
    EXPECT_EQ(installer.recorded(L"commandline.txt"), L"\"" + launcher + L"\" -i console x");
    EXPECT_TRUE(contains(installer.seaLog(), "Running in Console Mode\r\n"));
    EXPECT_TRUE(contains(installer.seaLog(), "exit code of -2 ***"));

    // Only the program path: installer.properties beside the installer keeps it silent.
    writeFileBytes(installer.path(L"dl\\installer.properties"), "# ui\nINSTALLER_UI=Silent\n");
    ChildResult bare = installer.run(installer.installer());
    EXPECT_EQ(bare.exitCode, 0u);
    auto directories = installer.workingDirectories();
    ASSERT_EQ(directories.size(), 2u);  // a fresh working directory per run
    std::wstring commandLine = installer.recorded(L"commandline.txt");
    EXPECT_EQ(commandLine.substr(commandLine.size() - 20), L"\\Windows\\setup.exe\" ") << commandLine;

    ChildResult quotedBare = installer.runQuoted(L"");
    EXPECT_EQ(quotedBare.exitCode, 0u);
    commandLine = installer.recorded(L"commandline.txt");
    EXPECT_EQ(commandLine.substr(commandLine.size() - 20), L"\\Windows\\setup.exe\" ") << commandLine;
}

TEST(Launch, TemporaryFolderWithSpacesStartsTheRealLauncher) {
    // A user name with a space: an unquoted launch line would start <...>\John.exe.
    TestInstaller installer(L"setup", L"John Smith\\Temp");
    installer.addStandInLauncher();
    installer.pack();
    ASSERT_TRUE(CopyFileW((testBinFolder() + L"\\standin_vm.exe").c_str(), installer.path(L"John.exe").c_str(), FALSE));

    ChildResult result = installer.runQuoted(L"-i silent", {.extraEnvironment = {L"STANDIN_EXIT=7"}});
    EXPECT_EQ(result.exitCode, 7u);
    std::wstring runs = installer.recorded(L"runs.log");
    EXPECT_EQ(runs.find(L"John.exe"), std::wstring::npos) << runs;
    EXPECT_EQ(installer.recorded(L"exe.txt"), installer.workingDirectories().at(0) + L"\\Windows\\setup.exe");
}

TEST(Launch, ThroughQuillrunWithHeapOptions) {
    TestInstaller installer;
    installer.addQuillrunLauncher(
        "# sizes\n"
        "kiv.nl.java.option.java.heap.size.max=512m\n"
        "kiv.nl.java.option.java.heap.size.initial=16m\n");
    installer.pack();

    ChildResult result = installer.runQuoted(L"-i silent -jvmxmx 2g  arg1 -jvmxms 64m \"two words\"",
                                             {.extraEnvironment = {L"STANDIN_EXIT=3"}});
    EXPECT_EQ(result.exitCode, 3u) << result.standardError;
    // The Java program reads the rewritten .kiv file.
    std::string kiv = narrow(installer.recorded(L"propfile1.txt"));
    EXPECT_TRUE(contains(kiv, "# sizes\r\nkiv.nl.java.option.java.heap.size.max=2g\r\n"
                              "kiv.nl.java.option.java.heap.size.initial=64m\r\n"))
        << kiv;
    EXPECT_TRUE(contains(kiv, "kiv.nl.current.vm=resource\\\\jre\\\\bin\\\\java.exe\r\n")) << kiv;
    // The heap options stay with the self-extractor; everything else reaches the Java program.
    std::wstring commandLine = trimmedEnd(installer.recorded(L"commandline.txt"));
    EXPECT_EQ(commandLine.find(L"jvmxm"), std::wstring::npos) << commandLine;
    const std::wstring tail = L" -i silent arg1 \"two words\"";
    ASSERT_GT(commandLine.size(), tail.size());
    EXPECT_EQ(commandLine.substr(commandLine.size() - tail.size()), tail) << commandLine;
}

TEST(Launch, ThroughQuillrunWithoutHeapOptionsTheKivStays) {
    TestInstaller installer;
    const std::string kivExtra = "kiv.nl.java.option.java.heap.size.max=512m\n";
    installer.addQuillrunLauncher(kivExtra);
    installer.pack();
    ChildResult result = installer.run(installer.installer() + L" -i console");
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    std::string kiv = readFileBytes(installer.workingDirectories().at(0) + L"\\Windows\\setup.kiv");
    EXPECT_EQ(kiv.substr(kiv.size() - kivExtra.size()), kivExtra);  // byte for byte, LF kept
    EXPECT_TRUE(installer.launcherRan());
}

TEST(Launch, SilentAndConsoleRunsHandTheCallersOutputToTheLauncher) {
    TestInstaller installer;
    // No main class: the launcher ends with its error line on standard error.
    installer.addCopy(L"Windows\\setup.exe", distProgram(L"quillrun.exe"));
    installer.add(L"Windows\\setup.kiv", "kiv.class.path=lib/app.jar\n");
    installer.pack();
    for (const wchar_t* mode : {L"-i console", L"-i silent"}) {
        ChildResult result = installer.runQuoted(mode);
        EXPECT_TRUE(contains(result.standardError, "Quillrun Error: The Velmora properties file contains invalid information"))
            << narrow(mode) << "\n" << describe(result);
    }
}

TEST(Launch, CleanupKeyRemovesTheWorkingDirectoryOnceTheLauncherHasEnded) {
    const struct {
        const char* kivLine;
        bool removed;
    } cases[] = {
        {"kiv.installer.cleanup=true\n", true},
        {"kiv.installer.cleanup=false\n", false},
        {"", false},
    };
    for (const auto& c : cases) {
        TestInstaller installer;
        installer.addStandInLauncher();
        installer.add(L"Windows\\setup.kiv", std::string("kiv.nl.java.launcher.main.class=com.example.Main\n") + c.kivLine);
        installer.add(L"InstallerData\\lib\\app.jar", "jar");
        installer.pack();
        ChildResult result = installer.runQuoted(L"-i silent", {.extraEnvironment = {L"STANDIN_EXIT=6"}});
        EXPECT_EQ(result.exitCode, 6u) << c.kivLine;
        EXPECT_TRUE(installer.launcherRan()) << c.kivLine;
        EXPECT_EQ(installer.workingDirectories().empty(), c.removed) << c.kivLine;
    }
}

TEST(Launch, CleanupLeavesAndLogsWhatIsStillInUse) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.add(L"Windows\\setup.kiv", "kiv.nl.java.launcher.main.class=com.example.Main\nkiv.installer.cleanup=true\n");
    installer.add(L"InstallerData\\held.txt", "held");
    installer.pack();
    RunningProgram program(inQuotes(installer.installer()) + L" -i silent",
                           installer.runOptions({.extraEnvironment = {L"STANDIN_SLEEP_MS=1500"}}));
    ASSERT_TRUE(program.started());
    // Held open the way a program the installer started would hold it.
    std::wstring held;
    velmora::UniqueFileHandle handle;
    for (int i = 0; i < 600 && !handle; ++i) {
        auto directories = installer.workingDirectories();
        if (!directories.empty()) {
            held = directories[0] + L"\\InstallerData\\held.txt";
            handle.reset(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        }
        if (!handle) Sleep(25);
    }
    ASSERT_TRUE(handle.valid());
    EXPECT_EQ(program.wait(60000), 0u);
    EXPECT_EQ(readFileBytes(held), "held");
    std::wstring working = held.substr(0, held.find(L"\\InstallerData"));
    EXPECT_EQ(GetFileAttributesW((working + L"\\Windows\\setup.kiv").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(contains(installer.seaLog(), "*** Unable to remove " + narrow(held) + "\r\n")) << installer.seaLog();
}

TEST(Launch, UiModeFromTheCommandLineAndThePropertiesFiles) {
    TestInstaller installer;
    installer.addStandInLauncher();
    installer.pack();
    const std::wstring other = installer.path(L"other settings.properties");
    writeFileBytes(other, "installer_ui=console\n");
    const struct {
        const char* installerProperties;  // beside the installer; null: none
        std::wstring arguments;
        const char* mode;
    } cases[] = {
        // "-i silent" is final: the file's line is not even read.
        {"installer_ui=console\n", L"-i silent", "Silent"},
        {"installer_ui=console\n", L"-i Silent", "Console"},  // only the exact word
        {"INSTALLER_UI=SILENT\n", L"-i console", "Silent"},
        // "-f" names the file to read in place of installer.properties.
        {"installer_ui=silent\n", L"-f " + inQuotes(other), "Console"},
        {nullptr, L"-f " + inQuotes(other) + L" -i silent", "Silent"},
    };
    for (const auto& c : cases) {
        const std::wstring beside = installer.path(L"dl\\installer.properties");
        ::DeleteFileW(beside.c_str());
        if (c.installerProperties) writeFileBytes(beside, c.installerProperties);
        ::DeleteFileW(installer.path(L"start\\sea.log").c_str());
        ChildResult result = installer.runQuoted(c.arguments);
        EXPECT_EQ(result.exitCode, 0u) << narrow(c.arguments) << "\n" << describe(result);
        EXPECT_TRUE(contains(installer.seaLog(), std::string("Running in ") + c.mode + " Mode\r\n"))
            << narrow(c.arguments) << "\n" << installer.seaLog();
    }
}

TEST(Launch, PlainArgumentsReachTheProgramWithoutTheInstallersOwnOptions) {
    TestInstaller installer;
    installer.addQuillrunLauncher("kiv.nl.java.arguments.plain=true\nkiv.nl.java.option.java.heap.size.max=512m\n");
    installer.pack();
    const std::vector<std::wstring>& cases = awkwardArguments();
    std::vector<std::wstring> typed = {L"-i", L"silent", L"-jvmxmx", L"64m"};
    typed.insert(typed.end(), cases.begin(), cases.end());
    ChildResult result = installer.runQuoted(velmora::joinArguments(typed), {.extraEnvironment = {L"STANDIN_EXIT=3"}});
    EXPECT_EQ(result.exitCode, 3u) << result.standardError;

    const std::wstring line = installer.recorded(L"commandline.txt");
    EXPECT_EQ(programArgumentsOf(line, L"com.example.Main"), cases) << narrow(line);
    // The heap option did its work in the .kiv file (64m, not 512m); the program got the
    // unpacked .kiv's path.
    EXPECT_TRUE(contains(narrow(line), " -Xmx67108864 ")) << narrow(line);
    const std::wstring kiv = installer.workingDirectories().at(0) + L"\\Windows\\setup.kiv";
    EXPECT_TRUE(contains(narrow(line), " -Dkiv.file=" + narrow(kiv) + " ")) << narrow(line);
}

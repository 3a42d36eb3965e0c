// The launcher's start-up as a caller sees it: exit code and the error line.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "tests/support/child_process.h"
#include "tests/support/dialog_driver/dialog_driver.h"
#include "tests/system/launcher/launcher_test_support.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

using namespace velmora::test;

namespace {

const char kValidKiv[] =
    "kiv.nl.java.launcher.main.class=com.example.Main\r\n"
    "kiv.class.path=lib\\\\app.jar\r\n"
    "kiv.nl.valid.vm.list=1.8+\r\n";

const std::string kMissingLine = "Quillrun Error: The Quillrun properties file is missing\n";
const std::string kInvalidLine = "Quillrun Error: The Velmora properties file contains invalid information\n";
// With a usable .kiv file but no VM anywhere, the run gets as far as VM selection.
const std::string kNoVmLine =
    "Quillrun Error: Could not find a valid Java virtual machine to load.\n\n"
    "You may need to reinstall a supported Java virtual machine.\n";

// Every case runs with both builds: the console launcher and the windowed one, which shows
// each error in a message box as well and must end with the same exit code.
class LauncherSpine : public ::testing::TestWithParam<const wchar_t*> {
protected:
    // Copies the launcher into the folder under the given name.
    std::wstring installLauncher(const std::wstring& relative) {
        std::wstring target = folder / relative;
        size_t slash = relative.rfind(L'\\');
        if (slash != std::wstring::npos) folder.makeFolder(relative.substr(0, slash));
        EXPECT_TRUE(::CopyFileW(distProgram(GetParam()).c_str(), target.c_str(), FALSE));
        return target;
    }

    // Runs the launcher; the windowed build's message boxes are closed as they come and must
    // say what standard error says, line for line.
    ChildResult run(const std::wstring& commandLine, const ChildOptions& options = {}) {
        if (std::wstring(GetParam()) != L"quillrunw.exe") return runChild(commandLine, options);
        DialogCloser closer(folder.path() + L"\\");
        ChildResult result = runChild(commandLine, options);
        std::string shown;
        for (const auto& box : closer.stop()) shown += velmora::wideToUtf8(box.caption + L": " + box.text) + "\n";
        EXPECT_EQ(shown, splitTrail(result.standardError).rest) << commandLine;
        return result;
    }

    static void expectEndsWith(const std::string& text, const std::string& tail) {
        ASSERT_GE(text.size(), tail.size()) << text;
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    }

    TempFolder folder;
};

}  // namespace

TEST_P(LauncherSpine, MissingKivIsReportedAndFails) {
    std::wstring exe = installLauncher(L"setup.exe");
    ChildResult r = run(inQuotes(exe) + L" -Dx=1", {.workingDirectory = folder.path()});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.standardError, kMissingLine);  // whole, as UTF-8, with standard error redirected
    EXPECT_EQ(r.standardOutput, "");
}

TEST_P(LauncherSpine, InvalidKivContentsNameTheKey) {
    std::wstring exe = installLauncher(L"setup.exe");
    const struct {
        const char* contents;
        std::string problems;  // the lines after the message
    } cases[] = {
        {"kiv.class.path=a.jar\nkiv.nl.valid.vm.list=1.8+\n", "the key kiv.nl.java.launcher.main.class is missing\n"},
        {"kiv.nl.java.launcher.main.class=\nkiv.class.path=a.jar\n",
         "the key kiv.nl.java.launcher.main.class has no value\n"
         "neither kiv.nl.current.vm nor kiv.nl.valid.vm.list has a value\n"},
        {"kiv.nl.java.launcher.main.class=M\nkiv.nl.current.vm=C:\\\\j\\\\java.exe\n", "the key kiv.class.path is missing\n"},
        {"kiv.nl.java.launcher.main.class=M\nkiv.nl.valid.vm.list=1.8\nkiv.class.path=$ENV_CLASSPATH$\n",
         "the key kiv.class.path is empty once $ENV_CLASSPATH$ is replaced (CLASSPATH is empty or not set)\n"},
    };
    for (const auto& c : cases) {
        folder.write(L"setup.kiv", c.contents);
        ChildResult r = run(inQuotes(exe), {.workingDirectory = folder.path(), .removedEnvironment = {L"CLASSPATH"}});
        EXPECT_EQ(r.exitCode, 1u) << c.contents;
        EXPECT_EQ(r.standardError, kInvalidLine + c.problems) << c.contents;
    }
    // The diagnostic trail says the same, with the file.
    folder.write(L"setup.kiv", cases[0].contents);
    ChildResult r = run(inQuotes(exe), {.workingDirectory = folder.path(), .extraEnvironment = {L"KIV_DEBUG=true"}});
    EXPECT_NE(r.standardError.find("quillrun: properties file " + velmora::wideToUtf8(folder / L"setup.kiv") +
                                   " is invalid: the key kiv.nl.java.launcher.main.class is missing\n"),
              std::string::npos)
        << r.standardError;
}

TEST_P(LauncherSpine, ClassPathFromTheEnvironmentMakesTheKivValid) {
    std::wstring exe = installLauncher(L"setup.exe");
    folder.write(L"setup.kiv", "kiv.nl.java.launcher.main.class=M\nkiv.nl.valid.vm.list=1.8\nkiv.class.path=$ENV_CLASSPATH$\n");
    ChildResult r = run(inQuotes(exe), {.workingDirectory = folder.path(), .extraEnvironment = {L"CLASSPATH=C:\\x.jar"}});
    EXPECT_EQ(r.standardError, kNoVmLine);
}

TEST_P(LauncherSpine, KivBesideQuotedProgramPathWithSpaces) {
    std::wstring exe = installLauncher(L"My Apps\\Setup.exe");
    folder.write(L"My Apps\\Setup.kiv", kValidKiv);
    TempFolder elsewhere;
    ChildResult r = run(inQuotes(exe) + L" -i silent", {.workingDirectory = elsewhere.path()});
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.standardError, kNoVmLine);
}

TEST_P(LauncherSpine, UnquotedProgramNameResolvedAgainstTheCurrentDirectory) {
    std::wstring exe = installLauncher(L"Setup.EXE");
    folder.write(L"Setup.kiv", kValidKiv);
    ChildResult r = run(L"Setup.EXE", {.applicationName = exe, .workingDirectory = folder.path()});
    EXPECT_EQ(r.standardError, kNoVmLine);
}

TEST_P(LauncherSpine, ProgramFoundThroughThePathVariable) {
    std::wstring exe = installLauncher(L"bin\\tool.exe");
    folder.write(L"bin\\tool.kiv", kValidKiv);
    TempFolder elsewhere;
    // Argument 0 without folder and extension: only the search path can find the program.
    ChildResult r = run(L"tool", {.applicationName = exe,
                                       .workingDirectory = elsewhere.path(),
                                       .extraEnvironment = {L"PATH=C:\\nowhere;;" + folder.path() + L"\\bin"}});
    EXPECT_EQ(r.standardError, kNoVmLine);

    r = run(L"tool", {.applicationName = exe,
                           .workingDirectory = elsewhere.path(),
                           .extraEnvironment = {L"PATH=C:\\nowhere"}});
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.standardError, "Quillrun Error: unable to locate executable\n");
}

TEST_P(LauncherSpine, SecondAndThirdKivPlaces) {
    std::wstring exe = installLauncher(L"app\\setup.exe");
    folder.write(L"app\\setup.exe.kiv", kValidKiv);
    EXPECT_EQ(run(inQuotes(exe), {.workingDirectory = folder.path()}).standardError, kNoVmLine);

    ::DeleteFileW((folder / L"app\\setup.exe.kiv").c_str());
    std::wstring work = folder.makeFolder(L"work");
    EXPECT_EQ(run(inQuotes(exe), {.workingDirectory = work}).standardError, kMissingLine);
    folder.write(L"work\\setup.kiv", kValidKiv);
    EXPECT_EQ(run(inQuotes(exe), {.workingDirectory = work}).standardError, kNoVmLine);
}

TEST_P(LauncherSpine, ServiceTokensAreTakenOutOfTheCommandLine) {
    std::wstring exe = installLauncher(L"setup.exe");
    folder.write(L"setup.kiv", kValidKiv);
    // "-mwkivservice" as the last token is dropped and the run stays interactive.
    ChildResult r = run(inQuotes(exe) + L" -Dx=1 -mwkivservice", {.workingDirectory = folder.path()});
    EXPECT_EQ(r.standardError, kNoVmLine);
    // "-i" keeps its value, even this one.
    r = run(inQuotes(exe) + L" -i -mwkivservice", {.workingDirectory = folder.path()});
    EXPECT_EQ(r.standardError, kNoVmLine);
}

TEST_P(LauncherSpine, UnreadableKivEndsInTheCatchAllLine) {
    std::wstring exe = installLauncher(L"setup.exe");
    folder.makeFolder(L"setup.kiv");  // exists, but a folder cannot be read as a file
    ChildResult r = run(inQuotes(exe), {.workingDirectory = folder.path()});
    EXPECT_EQ(r.exitCode, 1u);
    // The catch-all line stays; the next one says which file and why.
    const std::string expected = "Quillrun Error: an unknown exception has occurrred.\n" +
                                 velmora::wideToUtf8(folder / L"setup.kiv") + ": windows could not open the file specified (";
    EXPECT_EQ(r.standardError.substr(0, expected.size()), expected) << r.standardError;
    expectEndsWith(r.standardError, ")\n");
}

TEST_P(LauncherSpine, NoPauseAfterAnError) {
    std::wstring exe = installLauncher(L"setup.exe");
    folder.write(L"setup.kiv", std::string(kValidKiv) + "kiv.win32.console.pause=yes\n");
    ChildResult r = run(inQuotes(exe), {.workingDirectory = folder.path(), .standardInput = "\n"});
    EXPECT_EQ(r.standardOutput, "");
    EXPECT_EQ(r.standardError, kNoVmLine);
}

namespace {

// A folder that stands in for the user's temporary folder: the launcher's scratch files go there.
class ScratchFolder {
public:
    explicit ScratchFolder(const TempFolder& parent, const std::wstring& name) : path(parent.makeFolder(name)) {}

    // A file of the given age in days.
    void place(const std::wstring& name, const std::string& bytes, int ageDays) const {
        writeFileBytes(path + L"\\" + name, bytes);
        velmora::UniqueFileHandle file(::CreateFileW((path + L"\\" + name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                                     OPEN_EXISTING, 0, nullptr));
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= static_cast<ULONGLONG>(ageDays) * 24 * 60 * 60 * 10'000'000;
        FILETIME then{t.LowPart, t.HighPart};
        ::SetFileTime(file.get(), nullptr, nullptr, &then);
    }
    bool has(const std::wstring& name) const {
        return ::GetFileAttributesW((path + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::set<std::wstring> scratchNames() const {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found;
        velmora::UniqueFindHandle find(::FindFirstFileW((path + L"\\kiv*.tmp").c_str(), &found));
        if (find) do names.insert(found.cFileName); while (::FindNextFileW(find.get(), &found));
        return names;
    }
    ChildOptions options(const std::wstring& workingDirectory) const {
        return {.workingDirectory = workingDirectory, .extraEnvironment = {L"TMP=" + path, L"TEMP=" + path}};
    }

    std::wstring path;
};

const std::string kOwnLines = "kiv.nl.env.x=1\r\nkiv.nl.env.X=1\r\nkiv.nl.env.exact_case.x=1\r\n"
                              "kiv.nl.current.vm=C:\\\\jre\\\\bin\\\\java.exe\r\n";

}  // namespace

TEST_P(LauncherSpine, OldScratchFilesOfTheLauncherAreRemovedOthersStay) {
    std::wstring exe = installLauncher(L"setup.exe");
    // The sweep is housekeeping after the VM's start: this run needs a VM.
    folder.makeFolder(L"jre\\bin");
    ASSERT_TRUE(::CopyFileW((testBinFolder() + L"\\standin_vm_sun11.exe").c_str(), (folder / L"jre\\bin\\java.exe").c_str(),
                            FALSE));
    folder.write(L"setup.kiv", std::string(kValidKiv) + "kiv.nl.current.vm=jre\\\\bin\\\\java.exe\r\n");
    ScratchFolder temp(folder, L"temp");
    temp.place(L"kiv1a.tmp", kOwnLines, 40);                   // ours and old: removed
    temp.place(L"kiv2b.tmp", kOwnLines, 20);                   // ours, but recent
    temp.place(L"kiv3c.tmp", "kiv.nl.env.x=1\r\nsomething else\r\n", 40);  // not ours
    temp.place(L"kiv4d.tmp", "", 40);                          // empty: nothing says whose
    temp.place(L"old.tmp", kOwnLines, 40);                     // not a scratch file's name
    ChildOptions options = temp.options(folder.path());
    options.extraEnvironment.push_back(L"KIV_DEBUG=true");
    ChildResult r = run(inQuotes(exe), options);
    EXPECT_EQ(r.exitCode, 0u) << describe(r);
    EXPECT_NE(r.standardError.find("quillrun: scratch files of earlier runs, unwritten for 30 days, removed from " +
                                   velmora::wideToUtf8(temp.path) + "\\: 1\n"),
              std::string::npos)
        << r.standardError;
    EXPECT_FALSE(temp.has(L"kiv1a.tmp"));
    for (const wchar_t* kept : {L"kiv2b.tmp", L"kiv3c.tmp", L"kiv4d.tmp", L"old.tmp"}) EXPECT_TRUE(temp.has(kept)) << kept;
    // This run's own file is there, with its lines.
    std::set<std::wstring> names = temp.scratchNames();
    EXPECT_EQ(names.size(), 4u);
    for (const auto& name : names) {
        if (name != L"kiv2b.tmp" && name != L"kiv3c.tmp" && name != L"kiv4d.tmp") {
            EXPECT_TRUE(readFileBytes(temp.path + L"\\" + name).starts_with("kiv.nl.env.")) << name.size();
        }
    }
}

TEST_P(LauncherSpine, ScratchFolderThatCannotHoldTheFileIsNamed) {
    std::wstring exe = installLauncher(L"setup.exe");
    folder.write(L"setup.kiv", kValidKiv);
    // A folder too long for the system's unique names: the line names it and the reason.
    ScratchFolder parent(folder, L"deep");
    const std::wstring path = parent.path + L"\\" + std::wstring(245 - parent.path.size(), L'x');
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr)) << path.size();
    ChildResult r = run(inQuotes(exe), {.workingDirectory = folder.path(), .extraEnvironment = {L"TMP=" + path, L"TEMP=" + path}});
    EXPECT_EQ(r.exitCode, 1u);
    const std::string expected = "Quillrun Error: an unknown exception has occurrred.\n" + velmora::wideToUtf8(path) +
                                 "\\: the temporary folder cannot hold the scratch properties file (";
    EXPECT_EQ(r.standardError.substr(0, expected.size()), expected) << r.standardError;
    expectEndsWith(r.standardError, ")\n");
}

// A temporary folder that does not exist (a removed drive, a stale profile): the scratch file
// goes to C:\Temp, as the installer's files do, and the run goes on to the VM's choice.
TEST_P(LauncherSpine, MissingTemporaryFolderTakesCTemp) {
    std::wstring exe = installLauncher(L"setup.exe");
    folder.write(L"setup.kiv", kValidKiv);
    const std::wstring gone = folder / L"gone";
    ChildResult r = run(inQuotes(exe), {.workingDirectory = folder.path(), .extraEnvironment = {L"TMP=" + gone, L"TEMP=" + gone}});
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.standardError, kNoVmLine);
    EXPECT_EQ(::GetFileAttributesW(gone.c_str()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Builds, LauncherSpine, ::testing::Values(L"quillrun.exe", L"quillrunw.exe"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                             return std::string(info.param[8] == L'w' ? "windowed" : "console");
                         });

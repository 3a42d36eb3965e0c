// The .kiv keys that make a launched application behave like a native one, seen from the
// stand-in VM's side: its start-up information, the options it gets, what reaches standard
// output and what is left in the temporary folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "tests/support/dialog_driver/dialog_driver.h"
#include "tests/support/registry_keys.h"
#include "tests/support/test_paths.h"
#include "tests/system/launcher/launcher_test_support.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora::test;

namespace {

const std::string kBaseKiv =
    "kiv.nl.java.launcher.main.class=com.example.Main\n"
    "kiv.class.path=lib/a.jar\n"
    "kiv.nl.current.vm=jdk\\\\bin\\\\java.exe\n";

// The VM options between the executable and -classpath.
std::wstring vmOptionsOf(const std::wstring& line) {
    size_t start = line.find(L"\" ");
    size_t end = line.find(L" -classpath ");
    if (start == std::wstring::npos || end == std::wstring::npos || end < start + 2) return {};
    return line.substr(start + 2, end - start - 2);
}

std::string physicalShareBytes(int percent) {
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    ::GlobalMemoryStatusEx(&memory);
    uint64_t bytes = memory.ullTotalPhys * static_cast<uint64_t>(percent) / 100;
    return std::to_string(bytes - bytes % (1024 * 1024));
}

}  // namespace

TEST(NativeApp, KeysReachTheVm) {
    const std::wstring profile = L"Prof\u00efl \u65e5";  // a non-ASCII profile path
    const std::string userFile =
        "# the user's own\r\n-Xmx4g\r\n\r\n   -Dwho=user  \r\n-Dtitle=My App\r\n";
    const struct {
        const char* name;
        const wchar_t* vm;
        std::string keys;
        std::string optionsFile;  // written to %APPDATA%\Acme\App\App.options when not empty
        std::wstring expectedOptions;
        const char* expectedTitle;  // nullptr: no title-is-app-ID start
    } cases[] = {
        {"no keys: the options and the start as before", L"standin_vm_sun11", "", userFile,
         L"--add-opens java.base/jdk.internal.loader=ALL-UNNAMED -Dsun.java2d.uiScale.enabled=false", nullptr},
        {"application ID", L"standin_vm_sun11", "kiv.application.id=Acme.App.2\n", "",
         L"--add-opens java.base/jdk.internal.loader=ALL-UNNAMED -Dsun.java2d.uiScale.enabled=false", "Acme.App.2"},
        {"user options after the packaged ones", L"standin_vm_sun18",
         "kiv.nl.java.option.additional=-Xmx64m -Dwho=kiv\nkiv.user.options=Acme\\\\App\\\\App.options\n", userFile,
         L"-Xmx64m -Dwho=kiv -Xmx4g -Dwho=user \"-Dtitle=My App\"", nullptr},
        {"a missing user options file is no error", L"standin_vm_sun18",
         "kiv.nl.java.option.additional=-Dwho=kiv\nkiv.user.options=Acme\\\\App\\\\App.options\n", "",
         L"-Dwho=kiv", nullptr},
        {"heap share, version 17 and later", L"standin_vm_temurin", "kiv.nl.java.option.java.heap.percent=25\n", "",
         L"--add-opens java.base/jdk.internal.loader=ALL-UNNAMED -Dsun.java2d.uiScale.enabled=false "
         L"-XX:MaxRAMPercentage=25",
         nullptr},
        {"heap share, version 8: bytes of the physical memory", L"standin_vm_sun18",
         "kiv.nl.java.option.java.heap.percent=30\nkiv.nl.java.option.additional=-Dx=1\n", "",
         L"-Xmx" + widen(physicalShareBytes(30)) + L" -Dx=1", nullptr},
        {"heap share: the user's -Xmx wins", L"standin_vm_temurin",
         "kiv.nl.java.option.java.heap.percent=25\nkiv.user.options=Acme\\\\App\\\\App.options\n", userFile,
         L"--add-opens java.base/jdk.internal.loader=ALL-UNNAMED -Dsun.java2d.uiScale.enabled=false "
         L"-Xmx4g -Dwho=user \"-Dtitle=My App\"",
         nullptr},
        {"heap share: the .kiv's maximum heap wins", L"standin_vm_sun18",
         "kiv.nl.java.option.java.heap.percent=25\nkiv.nl.java.option.java.heap.size.max=32m\n", "",
         L"-Xmx33554432", nullptr},
        {"heap share out of range adds nothing", L"standin_vm_sun18", "kiv.nl.java.option.java.heap.percent=91\n", "",
         L"", nullptr},
    };
    for (const auto& c : cases) {
        VmTestApp app;
        app.placeVm(c.vm, L"jdk\\bin\\java.exe");
        app.writeKiv(kBaseKiv + c.keys);
        if (!c.optionsFile.empty()) app.write(profile + L"\\Acme\\App\\App.options", c.optionsFile);
        ChildOptions options = debugSwitch(L"true");
        options.extraEnvironment.push_back(L"APPDATA=" + app.path(profile));
        ChildResult result = app.run(L"", {}, options);
        ASSERT_EQ(result.exitCode, 0u) << c.name << "\n" << describe(result);
        const std::wstring line = app.recorded(L"commandline.txt");
        EXPECT_EQ(vmOptionsOf(line), c.expectedOptions) << c.name << "\n" << utf8(line);

        const std::string startup = app.recordedBytes(L"startup.txt");
        const size_t flagsAt = startup.find("flags=");
        ASSERT_NE(flagsAt, std::string::npos) << c.name;
        const unsigned long flags = std::stoul(startup.substr(flagsAt + 6, 8), nullptr, 16);
        EXPECT_EQ((flags & STARTF_TITLEISAPPID) != 0, c.expectedTitle != nullptr) << c.name << "\n" << startup;
        if (c.expectedTitle) {
            EXPECT_TRUE(contains(startup, std::string("\ntitle=") + c.expectedTitle + "\n")) << c.name << startup;
            EXPECT_TRUE(hasLine(splitTrail(result.standardError).trail, L"application ID: " + widen(c.expectedTitle)));
        }
        if (contains(c.keys, "kiv.user.options")) {
            const std::wstring file = app.path(profile + L"\\Acme\\App\\App.options");
            EXPECT_TRUE(hasLine(splitTrail(result.standardError).trail,
                                c.optionsFile.empty() ? L"user options: " + file + L" not found"
                                                      : L"user options: read " + file + L", 3 options"))
                << c.name;
        }
    }
}

TEST(NativeApp, MalformedUserOptionsStopTheRun) {
    const struct {
        std::string file;
        std::string expected;  // after "FILE:"
    } cases[] = {
        {"-Xmx1g\n# fine\nXmx4g\n", "3: 'Xmx4g' is no JVM option"},
        {"-Dok=1\r\n-Da=\x01\r\n", "2: the line holds a control character (1)"},
        {"-jar other.jar\n", "1: '-jar other.jar' would replace the application's class path or main class"},
        {"-Dx=\xff\xfe\n", "1: the line is not UTF-8 text"},
    };
    for (const auto& c : cases) {
        VmTestApp app;
        app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
        app.writeKiv(kBaseKiv + "kiv.user.options=App\\\\App.options\n");
        app.write(L"roaming\\App\\App.options", c.file);
        ChildOptions options = debugSwitch(std::nullopt);
        options.extraEnvironment.push_back(L"APPDATA=" + app.path(L"roaming"));
        ChildResult result = app.run(L"", {}, options);
        EXPECT_EQ(result.exitCode, 1u) << c.expected;
        const std::string expected = "Quillrun Error: " + utf8(app.path(L"roaming\\App\\App.options")) + ":" + c.expected;
        EXPECT_EQ(result.standardError.rfind(expected, 0), 0u) << result.standardError;
        EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1) << result.standardError;
        EXPECT_TRUE(app.recorded(L"commandline.txt").empty()) << "the VM must not start: " << c.expected;
    }
}

TEST(NativeApp, PlainArgumentsGiveStandardOutputToTheProgramAlone) {
    for (bool plain : {false, true}) {
        VmTestApp app;
        app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
        app.writeKiv(kBaseKiv + (plain ? "kiv.nl.java.arguments.plain=true\n" : ""));
        ChildOptions options = debugSwitch(L"true");
        options.extraEnvironment.push_back(L"STANDIN_OUTPUT=42\\n");
        ChildResult result = app.run(L"", {}, options);
        ASSERT_EQ(result.exitCode, 0u) << describe(result);
        if (plain) {
            EXPECT_EQ(result.standardOutput, "42\n");
            EXPECT_TRUE(hasLine(splitTrail(result.standardError).trail, L"company: Oracle Corporation"));
        } else {
            EXPECT_EQ(result.standardOutput, "company: Oracle Corporation\n42\n");
        }
    }
}

TEST(NativeApp, PlainArgumentsRemoveTheScratchFileOnceTheVmHasEnded) {
    for (bool plain : {false, true}) {
        VmTestApp app;
        app.placeVm(L"standin_vm_sun11", L"jdk\\bin\\java.exe");
        app.writeKiv(kBaseKiv + (plain ? "kiv.nl.java.arguments.plain=true\n" : ""));
        ChildOptions options;
        options.extraEnvironment.push_back(L"STANDIN_WAIT_FILE=" + app.path(L"go"));
        ChildResult result;
        std::thread run([&] { result = app.run(L"", {}, options); });
        std::wstring line;
        for (int i = 0; i < 300 && (line = app.recorded(L"commandline.txt")).empty(); ++i) ::Sleep(100);
        const size_t at = line.find(L"-Dkiv.runtime.file=");
        const std::wstring scratch = plain ? line.substr(at + 19, line.find(L' ', at) - at - 19) : app.scratchFileOf(line);
        const bool whileRunning = !scratch.empty() && fileExists(scratch);
        app.write(L"go", "");
        run.join();
        ASSERT_EQ(result.exitCode, 0u) << describe(result);
        EXPECT_TRUE(whileRunning) << utf8(line);
        EXPECT_EQ(fileExists(scratch), !plain) << utf8(scratch);
        if (!plain) ::DeleteFileW(scratch.c_str());
    }
}

namespace {

const std::string kNoVmKiv =
    "kiv.nl.java.launcher.main.class=com.example.Main\n"
    "kiv.class.path=lib/a.jar\n"
    "kiv.nl.valid.vm.list=17+\n"
    "kiv.java.download.page=http://velmora.invalid/java?for=17\n";

const std::string kNoVmText =
    "Could not find a valid Java virtual machine to load.\n\nYou may need to reinstall a supported Java virtual "
    "machine.\n\nThis application needs Java 17+. You can get it from http://velmora.invalid/java?for=17";

// http addresses open with this command while it lives: a stand-in browser that records its
// command line as the stand-in VM does.
class StandInBrowser {
public:
    explicit StandInBrowser(const std::wstring& program) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, kCommandKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            wchar_t value[1024] = {};
            DWORD size = sizeof value - sizeof(wchar_t);
            if (::RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
                saved_ = value;
            ::RegCloseKey(key);
        }
        EXPECT_TRUE(setRegistryText(HKEY_CLASSES_ROOT, 0, kCommandKey, L"", L"\"" + program + L"\" \"%1\""));
    }
    ~StandInBrowser() {
        if (saved_.empty())
            removeKeyTree(HKEY_CLASSES_ROOT, kCommandKey);
        else
            setRegistryText(HKEY_CLASSES_ROOT, 0, kCommandKey, L"", saved_);
    }
    StandInBrowser(const StandInBrowser&) = delete;
    StandInBrowser& operator=(const StandInBrowser&) = delete;

private:
    static constexpr const wchar_t* kCommandKey = L"http\\shell\\open\\command";
    std::wstring saved_;
};

}  // namespace

TEST(NativeApp, NoJavaNamesTheVersionAndTheDownloadPage) {
    VmTestApp app;
    app.writeKiv(kNoVmKiv);
    ChildResult result = app.run(L"", {}, debugSwitch(std::nullopt));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.standardError, "Quillrun Error: " + kNoVmText + "\n");
}

TEST(NativeApp, TheWindowedBoxOffersToOpenTheDownloadPage) {
    for (int answer : {IDYES, IDNO}) {
        VmTestApp app;
        ASSERT_TRUE(::CopyFileW(distProgram(L"quillrunw.exe").c_str(), app.path(L"app.exe").c_str(), FALSE));
        const std::wstring browser = app.placeVm(L"standin_vm", L"browser\\browser.exe");
        app.writeKiv(kNoVmKiv);
        StandInBrowser handler(browser);
        DialogCloser closer(app.root() + L"\\", answer);
        ChildResult result = app.run(L"", {}, debugSwitch(std::nullopt));
        const std::vector<DialogCloser::Shown> shown = closer.stop();
        EXPECT_EQ(result.exitCode, 1u) << answer;
        ASSERT_EQ(shown.size(), 1u) << answer;
        EXPECT_EQ(shown[0].text, widen(kNoVmText) + L"\n\nOpen the download page now?");
        std::wstring opened;
        for (int i = 0; i < 100 && answer == IDYES && (opened = app.recorded(L"commandline.txt")).empty(); ++i) ::Sleep(100);
        if (answer == IDYES)
            EXPECT_NE(opened.find(L"http://velmora.invalid/java?for=17"), std::wstring::npos) << utf8(opened);
        else
            EXPECT_TRUE(app.recorded(L"commandline.txt").empty());
    }
}

TEST(NativeApp, SplashImageByItsFullPathForJava6AndLater) {
    const struct {
        const wchar_t* vm;
        bool imagePresent;
        bool expected;
    } cases[] = {
        {L"standin_vm_sun18", true, true},
        {L"standin_vm_sun18", false, false},  // a missing image shows nothing rather than a VM error
        {L"standin_vm_classic", true, false},  // before Java 6 the option is unknown
    };
    for (const auto& c : cases) {
        VmTestApp app;
        app.placeVm(c.vm, L"jdk\\bin\\java.exe");
        app.writeKiv(kBaseKiv + "kiv.splash=art/my splash.png\nkiv.nl.java.option.additional=-Dx=1\n");
        if (c.imagePresent) app.write(L"art\\my splash.png", "\x89PNG\r\n\x1a\n");
        ChildResult result = app.run(L"");
        ASSERT_EQ(result.exitCode, 0u) << describe(result);
        const std::wstring line = app.recorded(L"commandline.txt");
        const std::wstring option = L"\"-splash:" + app.path(L"art\\my splash.png") + L"\" -Dx=1";
        EXPECT_EQ(line.find(option) != std::wstring::npos, c.expected) << c.vm << " " << utf8(line);
        EXPECT_EQ(line.find(L"-splash:") != std::wstring::npos, c.expected) << utf8(line);
    }
}

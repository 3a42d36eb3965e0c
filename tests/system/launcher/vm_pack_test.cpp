// VM packs through the real quillrun.exe: an installer built without a VM fetches one from a
// loopback HTTP server (provision_servers.py), checks it and starts it; the download dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "common/text_convert.h"
#include "tests/support/child_process.h"
#include "tests/support/pack_server.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/zip_writer.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// An unpacked installer without a VM: Windows\app.exe (quillrun) with its .kiv file and
// build options, started from the installer's folder like the self-extractor does.
class WithoutVmInstaller {
public:
    explicit WithoutVmInstaller(const std::string& buildOptions, const std::string& extraKivLines = "") {
        folder_.makeFolder(L"rec");
        folder_.write(L"Windows\\app.kiv", "kiv.nl.java.launcher.main.class=Main\nkiv.class.path=app.jar\n"
                                          "kiv.nl.valid.vm.list=J2\n" + extraKivLines);
        folder_.write(L"Windows\\jvmspecs\\jvmspecs.properties", "build.option=withoutvm\n" + buildOptions);
        if (!::CopyFileW(distProgram(L"quillrun.exe").c_str(), (folder_ / L"Windows\\app.exe").c_str(), FALSE))
            throw std::runtime_error("cannot copy quillrun.exe");
    }
    std::wstring path(const std::wstring& relative) const { return folder_ / relative; }
    ChildResult run(const std::wstring& pathFolder = L"", const std::wstring& arguments = L"") const {
        ChildOptions options;
        options.workingDirectory = folder_.path();
        options.removedEnvironment = {L"PATH", L"CLASSPATH"};
        options.extraEnvironment = {L"PATH=C:\\windows\\system32;C:\\windows" + (pathFolder.empty() ? L"" : L";" + pathFolder),
                                    L"STANDIN_RECORD=" + path(L"rec")};
        return runChild(inQuotes(path(L"Windows\\app.exe")) + (arguments.empty() ? L"" : L" " + arguments), options);
    }
    std::wstring chosenVm() const {
        const std::wstring record = path(L"rec\\exe.txt");
        return fileExists(record) ? utf8ToWide(readFileBytes(record)) : std::wstring();
    }
    void placeStandIn(const std::wstring& relative, const std::wstring& variant = L"standin_vm_sun18") const {
        folder_.write(relative, readFileBytes(testBinFolder() + L"\\" + variant + L".exe"));
    }

private:
    TempFolder folder_;
};

std::string standInPack() {
    return vmPack({{.name = "bin/java.exe", .data = readFileBytes(testBinFolder() + L"\\standin_vm_sun18.exe"),
                    .method = 8}});
}

}  // namespace

TEST(PackEndToEnd, DirectDownloadStartsTheUnpackedVm) {
    PackServer server;
    const std::string pack = standInPack();
    const std::wstring md5 = md5Hex(pack);
    const std::wstring name = server.publish(L"jre.vm", pack);
    WithoutVmInstaller installer("build.without.vm.search.option=12\n"
                                 "build.without.vm.direct.download.url=" + wideToUtf8(server.http(name)) + "\n"
                                 "build.without.vm.dont.search.download.url.md5Checksum.applicable=true\n"
                                 "build.without.vm.dont.search.download.url.md5Checksum.value=" + wideToUtf8(md5) + "\n");
    ChildResult result = installer.run();
    EXPECT_EQ(result.exitCode, 0u) << describe(result) << result.standardError;
    EXPECT_TRUE(contains(result.standardOutput, "MD5 checksum verification for downloaded JVM passed"));
    EXPECT_EQ(installer.chosenVm(), installer.path(L"Windows\\resource\\jre\\bin\\java.exe"));
    EXPECT_FALSE(fileExists(installer.path(L"Windows\\jvmspecs\\" + name)));

    // A pack that fails its check ends in the no-VM message.
    WithoutVmInstaller failing("build.without.vm.search.option=12\n"
                               "build.without.vm.direct.download.url=" + wideToUtf8(server.http(name)) + "\n"
                               "build.without.vm.dont.search.download.url.md5Checksum.applicable=true\n"
                               "build.without.vm.dont.search.download.url.md5Checksum.value=0\n");
    result = failing.run();
    EXPECT_TRUE(contains(result.standardOutput, "MD5 checksum verification for downloaded JVM failed"));
    EXPECT_TRUE(contains(result.standardError, "Could not find a valid Java virtual machine to load."));
    EXPECT_EQ(failing.chosenVm(), L"");
}

TEST(PackEndToEnd, SilentRunsShowNoProgressLines) {
    PackServer server;
    const std::string options = "build.without.vm.search.option=12\n"
                                "build.without.vm.direct.download.url=" +
                                wideToUtf8(server.http(server.publish(L"jre.vm", standInPack()))) + "\n";
    const struct {
        const char* kivLine;
        const wchar_t* arguments;
        bool silent;
    } cases[] = {
        {"", L"", false},
        {"", L"-i silent", true},
        {"", L"SILENT", true},                                         // the last argument decides, in any case
        {"kiv.installer.windows.ui.default=SILENT\n", L"", true},
        {"kiv.installer.windows.ui.default=SILENT\n", L"-i silent -Dx=1", false},  // arguments outrank the key
        {"kiv.installer.windows.ui.default=silent\n", L"", false},    // the key's value is exact
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kivLine) + wideToUtf8(c.arguments));
        WithoutVmInstaller installer(options, c.kivLine);
        ChildResult result = installer.run(L"", c.arguments);
        EXPECT_EQ(result.exitCode, 0u) << describe(result);
        EXPECT_EQ(installer.chosenVm(), installer.path(L"Windows\\resource\\jre\\bin\\java.exe"));
        for (const char* line : {"Downloading VM Pack - Please Wait!!!", "Extracting VM Pack. Please wait!!!",
                                 "Extracted the JVM pack successfully!!"})
            EXPECT_EQ(contains(result.standardOutput, line), !c.silent) << line << "\n" << result.standardOutput;
    }
}

TEST(PackEndToEnd, SearchFirstDownloadsOnlyWhenNothingMatches) {
    PackServer server;
    const std::string options = "build.without.vm.search.option=11\n"
                                "build.without.vm.not.found.download.url=" +
                                wideToUtf8(server.http(server.publish(L"jre.vm", standInPack()))) + "\n";
    {  // An installed VM that the list accepts: no download.
        WithoutVmInstaller installer(options);
        installer.placeStandIn(L"installed\\bin\\java.exe");
        ChildResult result = installer.run(installer.path(L"installed\\bin"));
        EXPECT_EQ(result.exitCode, 0u) << result.standardError;
        EXPECT_EQ(installer.chosenVm(), installer.path(L"installed\\bin\\java.exe"));
        EXPECT_FALSE(contains(result.standardOutput, "Downloading VM Pack"));
        EXPECT_FALSE(fileExists(installer.path(L"Windows\\resource")));
    }
    {  // None the list accepts: the pack is fetched and its VM started.
        WithoutVmInstaller installer(options);
        installer.placeStandIn(L"old\\bin\\java.exe", L"standin_vm_classic");  // a Java 1 VM, refused by J2
        ChildResult result = installer.run(installer.path(L"old\\bin"));
        EXPECT_EQ(result.exitCode, 0u) << describe(result) << result.standardError;
        EXPECT_TRUE(contains(result.standardOutput, "\nExtracted the JVM pack successfully!!\n"));
        EXPECT_EQ(installer.chosenVm(), installer.path(L"Windows\\resource\\jre\\bin\\java.exe"));
        // On a pipe the lines keep the run's order (the refused VM was looked at before the
        // download) and one kind of line end.
        const std::string& out = result.standardOutput;
        EXPECT_LT(out.find("company: Sun Microsystems, Inc.\n"), out.find("Downloading VM Pack")) << out;
        EXPECT_LT(out.find("Extracted the JVM pack"), out.rfind("company: Sun Microsystems, Inc.\n")) << out;
        EXPECT_EQ(out.find('\r'), std::string::npos) << out;
    }
}

TEST(PackDownload, DialogResourceHasCaptionAndOneProgressBar) {
    HMODULE module = ::LoadLibraryExW(distProgram(L"quillrun.exe").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(module);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(210), RT_DIALOG);
    ASSERT_TRUE(found);
    const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(module, found)));
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes), ::SizeofResource(module, found) / 2);
    // An extended template: version 1, signature 0xFFFF, the item count at byte 16, then
    // menu and class (none), then the caption.
    EXPECT_EQ(text.substr(0, 2), std::wstring(L"\x0001\xFFFF"));
    EXPECT_EQ(bytes[16] | (bytes[17] << 8), 1);
    EXPECT_EQ(std::wstring(text.c_str() + 15), L"Downloading");
    EXPECT_NE(asciiUpper(text).find(L"MSCTLS_PROGRESS32"), std::wstring::npos);  // class names ignore case
    ::FreeLibrary(module);
}

// VM pack download and provisioning against real servers on 127.0.0.1: HTTP and HTTPS
// from provision_servers.py, anonymous FTP on port 21. Each step runs in vm_pack_driver.exe
// so that its console lines can be read.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
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

ChildResult driver(const std::wstring& arguments) {
    return runChild(inQuotes(testBinFolder() + L"\\vm_pack_driver.exe") + L" " + arguments);
}

std::string lastLine(const ChildResult& result) {
    std::string out = result.standardOutput;
    size_t at = out.rfind("\nresult=");
    return at == std::string::npos ? std::string() : out.substr(at + 8, out.size() - at - 9);
}

// The pattern bytes of a pack body of `size` bytes.
std::string body(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

const std::string kOpeningError = "\nError in opening internet connection with URL\n\nWininet Error code: ";
const std::string kCouldNotConnect = "\nCould not connect to the specified URL\n";

}  // namespace

TEST(PackDownload, HttpBodyArrivesWholeWithItsMarks) {
    PackServer server;
    TempFolder folder;
    const std::string bytes = body(2560000);
    ChildResult result = driver(L"download " + server.http(server.publish(L"big.vm", bytes)) + L" " + inQuotes(folder / L"big.vm"));
    EXPECT_EQ(lastLine(result), "1") << describe(result);
    EXPECT_TRUE(result.standardOutput.starts_with("\nDownloading VM Pack - Please Wait!!!\n"));
    EXPECT_EQ(std::count(result.standardOutput.begin(), result.standardOutput.end(), '='), 5 + 1);  // "result="
    EXPECT_TRUE(contains(result.standardOutput, "===== \nresult=")) << describe(result);
    EXPECT_TRUE(readFileBytes(folder / L"big.vm") == bytes);
}

TEST(PackDownload, HttpFailuresSayWhy) {
    PackServer server;
    TempFolder folder;
    const std::wstring target = inQuotes(folder / L"p.vm");

    ChildResult missing = driver(L"download " + server.http(L"no-such-pack.vm") + L" " + target);
    EXPECT_EQ(lastLine(missing), "0");
    EXPECT_TRUE(contains(missing.standardOutput, kCouldNotConnect + "HTTP Status code: 404\n")) << missing.standardOutput;
    EXPECT_FALSE(contains(missing.standardOutput, kOpeningError));

    ChildResult closed =
        driver(L"download http://127.0.0.1:" + server.port(L"closed") + L"/p.vm " + target);
    EXPECT_EQ(lastLine(closed), "0");
    EXPECT_TRUE(contains(closed.standardOutput, kOpeningError + "12029\n" + kCouldNotConnect + "HTTP Status code: 0\n"))
        << closed.standardOutput;

    // HTTPS takes the same way; Wine trusts no self-signed certificate.
    ChildResult secure = driver(L"download https://127.0.0.1:" + server.port(L"https") + L"/" +
                                server.publish(L"s.vm", "pack") + L" " + target);
    EXPECT_EQ(lastLine(secure), "0");
    EXPECT_TRUE(contains(secure.standardOutput, kOpeningError + "12045\n" + kCouldNotConnect + "HTTP Status code: 0\n"))
        << secure.standardOutput;

    // A connection that ends before the announced length is no complete pack.
    ChildResult cut = driver(L"download " + server.http(L"cut/300000") + L" " + target);
    EXPECT_EQ(lastLine(cut), "0");
    EXPECT_TRUE(contains(cut.standardOutput, "\nThe VM pack download was interrupted")) << cut.standardOutput;
    EXPECT_FALSE(fileExists(folder / L"p.vm"));

    // Quiet: not a line, also on failure.
    ChildResult quiet = driver(L"download " + server.http(L"no-such-pack.vm") + L" " + target + L" quiet");
    EXPECT_EQ(quiet.standardOutput, "\nresult=0\n");
    EXPECT_FALSE(fileExists(folder / L"p.vm"));
}

TEST(PackDownload, OnlyLowerCaseHttpAndFtpAreFetched) {
    PackServer server;
    TempFolder folder;
    const std::wstring name = server.publish(L"p.vm", "pack");
    const std::wstring target = inQuotes(folder / L"p.vm");
    for (const std::wstring& url : {L"HTTP://127.0.0.1:" + server.port(L"http") + L"/" + name,
                                    L"file:///" + server.http(name).substr(7)}) {
        ChildResult result = driver(L"download " + url + L" " + target);
        EXPECT_EQ(lastLine(result), "0");
        EXPECT_TRUE(result.standardOutput.ends_with("\nAttempt to download VM failed\nresult=0\n"))
            << describe(result);
    }
    EXPECT_FALSE(fileExists(folder / L"p.vm"));

    // A destination that cannot be created fails without leaving anything.
    ChildResult unwritable = driver(L"download " + server.http(name) + L" " + inQuotes(folder / L"missing\\p.vm"));
    EXPECT_EQ(lastLine(unwritable), "0");
    EXPECT_TRUE(contains(unwritable.standardOutput, "Could not create the file")) << unwritable.standardOutput;
    EXPECT_FALSE(fileExists(folder / L"missing"));
}

TEST(PackDownload, AnonymousPassiveFtpAlwaysOnPort21) {
    PackServer server;
    if (!server.ftpReady()) GTEST_SKIP() << "another FTP server held port 21";
    TempFolder folder;
    const std::string bytes = body(300000);
    // The port in the URL is not used.
    ChildResult result = driver(L"download ftp://127.0.0.1:2121/" + server.publish(L"f.vm", bytes) + L" " +
                                inQuotes(folder / L"f.vm"));
    EXPECT_EQ(lastLine(result), "1") << describe(result);
    EXPECT_TRUE(readFileBytes(folder / L"f.vm") == bytes);

    ChildResult missing = driver(L"download ftp://127.0.0.1/no-such-pack.vm " + inQuotes(folder / L"m.vm"));
    EXPECT_EQ(lastLine(missing), "0");
    EXPECT_TRUE(contains(missing.standardOutput, kCouldNotConnect + "Wininet Error code: 12003\n"))
        << missing.standardOutput;
    EXPECT_FALSE(fileExists(folder / L"m.vm"));
}

namespace {

// An unpacked installer's folder with Windows\jvmspecs (or the 64-bit-only layout).
struct InstallerFolder {
    explicit InstallerFolder(const wchar_t* platform = L"Windows") : platform(platform) {
        folder.makeFolder(std::wstring(platform) + L"\\jvmspecs");
    }
    std::wstring specs(const std::wstring& name) const { return folder / (platform + L"\\jvmspecs\\" + name); }
    std::wstring jre(const std::wstring& relative) const { return folder / (platform + L"\\resource\\jre\\" + relative); }
    ChildResult provision(const std::wstring& url, const std::wstring& applicable, const std::wstring& value,
                          const wchar_t* silent = L"") const {
        return driver(L"provision " + inQuotes(folder.path()) + L" " + url + L" " + inQuotes(applicable) + L" " +
                      inQuotes(value) + L" " + silent);
    }

    TempFolder folder;
    std::wstring platform;
};

const std::vector<ZipMember> kVm = {{.name = "bin/java.exe", .data = "MZ stand-in", .method = 8},
                                    {.name = "lib/rt.jar", .data = std::string(5000, 'j'), .method = 8}};

}  // namespace

TEST(PackProvisioning, Md5DecidesWhetherThePackIsUnpacked) {
    PackServer server;
    const std::string pack = vmPack(kVm);
    const std::wstring md5 = md5Hex(pack);
    const std::wstring url = server.http(server.publish(L"jre.vm", pack));
    const std::wstring name = url.substr(url.rfind(L'/') + 1);

    {  // The right value: verified, unpacked, the download deleted.
        InstallerFolder installer;
        ChildResult result = installer.provision(url, L"true", md5);
        EXPECT_EQ(utf8ToWide(lastLine(result)), installer.jre(L"bin\\java.exe")) << describe(result);
        EXPECT_TRUE(contains(result.standardOutput,
                             "\nVerifying the downloaded JVM with MD5 checksum specified\n\n"
                             "MD5 checksum verification for downloaded JVM passed"
                             "\nExtracting VM Pack. Please wait!!!\n"
                             "\nExtracted the JVM pack successfully!!\n"))
            << describe(result);
        EXPECT_EQ(readFileBytes(installer.jre(L"bin\\java.exe")), "MZ stand-in");
        EXPECT_FALSE(fileExists(installer.specs(name)));
        EXPECT_FALSE(fileExists(installer.specs(L"downloadIntermediary")));
    }
    // A wrong value, or the right one in upper case: the pack is kept, nothing unpacked.
    std::wstring upper = md5;
    for (auto& c : upper) c = static_cast<wchar_t>(::towupper(c));
    for (const std::wstring& wrong : {std::wstring(32, L'0'), upper}) {
        InstallerFolder installer;
        ChildResult result = installer.provision(url, L"true", wrong);
        EXPECT_EQ(lastLine(result), "none");
        EXPECT_TRUE(result.standardOutput.ends_with(
            "Warning!! MD5 checksum verification for downloaded JVM failed. Installer exiting...\nresult=none\n"))
            << describe(result);
        EXPECT_TRUE(readFileBytes(installer.specs(name)) == pack);
        EXPECT_FALSE(fileExists(installer.jre(L"bin")));
    }
    // Only "true" turns the check on.
    for (const wchar_t* applicable : {L"TRUE", L"yes"}) {
        InstallerFolder installer;
        ChildResult result = installer.provision(url, applicable, L"not a checksum");
        EXPECT_EQ(utf8ToWide(lastLine(result)), installer.jre(L"bin\\java.exe")) << applicable;
        EXPECT_FALSE(contains(result.standardOutput, "Verifying")) << applicable;
    }
}

TEST(PackProvisioning, RefusedBeforeAnyDownload) {
    PackServer server;
    InstallerFolder installer;
    ChildResult zip = installer.provision(server.http(server.publish(L"jre.zip", vmPack(kVm))), L"", L"");
    EXPECT_EQ(zip.standardOutput, "\nThe file specified is not a valid VM pack\n\nresult=none\n");

    // No jvmspecs folder to download into.
    TempFolder bare;
    ChildResult nowhere = driver(L"provision " + inQuotes(bare.path()) + L" " +
                                 server.http(server.publish(L"jre.vm", vmPack(kVm))) + L" \"\" \"\"");
    EXPECT_EQ(nowhere.standardOutput,
              "\nDownloading VM Pack - Please Wait!!!\n\nAttempt to download VM failed\nresult=none\n");
    EXPECT_FALSE(fileExists(bare / L"Windows"));
}

TEST(PackProvisioning, LayoutsAndUnpackingFailures) {
    PackServer server;
    {  // 64-bit-only installer; the VM's java.exe under jre\bin; silent.
        InstallerFolder installer(L"Windows_Pure_64_Bit");
        const std::string pack = vmPack({{.name = "jre/bin/java.exe", .data = "MZ"}});
        ChildResult result = installer.provision(server.http(server.publish(L"nested.vm", pack)), L"", L"", L"silent");
        EXPECT_EQ(utf8ToWide(result.standardOutput), L"\nresult=" + installer.jre(L"jre\\bin\\java.exe") + L"\n");
        EXPECT_EQ(readFileBytes(installer.jre(L"jre\\bin\\java.exe")), "MZ");
    }
    {  // No vm.zip: the intermediate folder stays, the download goes.
        InstallerFolder installer;
        const std::wstring url =
            server.http(server.publish(L"empty.vm", zipArchive({{.name = "vm.properties", .data = "x=1\n"}})));
        ChildResult result = installer.provision(url, L"", L"");
        EXPECT_TRUE(result.standardOutput.ends_with(
            "\nCould not extract the downloaded VM pack. Installer exiting...\nresult=none\n"))
            << describe(result);
        EXPECT_TRUE(fileExists(installer.specs(L"downloadIntermediary\\vm.properties")));
        EXPECT_FALSE(fileExists(installer.specs(url.substr(url.rfind(L'/') + 1))));
    }
    {  // A VM archive that reaches outside its folder is refused; nothing lands there.
        InstallerFolder installer;
        const std::string pack = vmPack({{.name = "bin/java.exe", .data = "MZ"},
                                         {.name = "..\\..\\..\\escaped.txt", .data = "no"},
                                         {.name = "a/../../../../escaped2.txt", .data = "no"}});
        ChildResult result = installer.provision(server.http(server.publish(L"hostile.vm", pack)), L"", L"");
        EXPECT_EQ(lastLine(result), "none");
        EXPECT_FALSE(fileExists(installer.folder / L"escaped.txt"));
        EXPECT_FALSE(fileExists(installer.folder / L"Windows\\escaped.txt"));
        EXPECT_FALSE(fileExists(installer.folder / L"escaped2.txt"));
        EXPECT_FALSE(fileExists(installer.folder / L"Windows\\escaped2.txt"));
    }
}

// A path hint without dots is tried below the root of every fixed drive. Run by
// second_drive_test.sh, which maps a second fixed drive and names it in VELMORA_SECOND_DRIVE.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/system/launcher/vm_spec_app.h"

using namespace velmora::test;

namespace {

// A folder at the root of a drive, removed at the end.
class RootFolder {
public:
    RootFolder(const std::wstring& drive, const std::wstring& name) : path_(drive + L"\\" + name) {
        if (!::CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create a folder at a drive root");
    }
    ~RootFolder() { removeTree(path_); }
    const std::wstring& path() const { return path_; }

    // A stand-in VM at jre\bin\java.exe that answers Verify with `answers`.
    std::wstring vm(const std::string& answers) const {
        ::CreateDirectoryW((path_ + L"\\jre").c_str(), nullptr);
        ::CreateDirectoryW((path_ + L"\\jre\\bin").c_str(), nullptr);
        std::wstring exe = path_ + L"\\jre\\bin\\java.exe";
        if (!::CopyFileW((testBinFolder() + L"\\standin_vm_sun18.exe").c_str(), exe.c_str(), FALSE))
            throw std::runtime_error("cannot copy a stand-in VM");
        writeFileBytes(path_ + L"\\jre\\bin\\standin.cfg", answers);
        return exe;
    }

private:
    std::wstring path_;
};

}  // namespace

TEST(SecondDrive, DriveHintOnEveryFixedDrive) {
    const char* second = std::getenv("VELMORA_SECOND_DRIVE");
    ASSERT_NE(second, nullptr) << "run through second_drive_test.sh";
    const std::wstring drive = widen(second);
    ASSERT_EQ(::GetDriveTypeW((drive + L"\\").c_str()), static_cast<UINT>(DRIVE_FIXED));

    const std::wstring name = L"velmora-drive-hint-" + std::to_wstring(::GetCurrentProcessId());
    RootFolder onC(L"C:", name);
    RootFolder onSecond(drive, name);
    std::wstring vmC = onC.vm(kVerifyAnswers);
    std::wstring vmSecond = onSecond.vm(kVerifyAnswers);

    SpecApp app;
    app.writeKiv(kKiv + "kiv.nl.valid.vm.list=J2\n");
    app.buildOptions(kSpecBuild);
    app.write(L"jvmspecs\\Verify.jar", "");
    app.spec(L"a.spec", "JVM_EXE: bin\\java.exe\nJVM_PROPERTIES\njava.version=1.8*\n/:\nPATH_HINT:\n\\" + narrow(name) +
                            "\\jre\n");

    // Both drives give a valid VM; drives are tried from A: upwards and the first one wins.
    EXPECT_EQ(app.runAndChoose(), vmC);
    EXPECT_EQ(app.verified(), (std::vector<std::wstring>{vmC, vmSecond}));

    // C:'s VM reports another version: the second drive's is chosen.
    writeFileBytes(onC.path() + L"\\jre\\bin\\standin.cfg", "verify.java.version=1.7.0\n");
    EXPECT_EQ(app.runAndChoose(), vmSecond);
}

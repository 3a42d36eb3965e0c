#include <gtest/gtest.h>

#include <set>

#include "launcher/kiv_locator.h"
#include "launcher/launcher_errors.h"

using namespace velmora::launcher;

namespace {

KivSearchWorld worldWith(std::set<std::wstring> files, std::vector<std::wstring> path = {},
                         std::wstring current = L"C:\\cwd") {
    return {[files](const std::wstring& p) { return files.count(p) != 0; }, std::move(path), std::move(current)};
}

}  // namespace

TEST(ProgramPath, ExtensionAddedAndPathSearched) {
    EXPECT_EQ(locateProgramPath(L"C:\\Apps\\Setup", worldWith({L"C:\\Apps\\Setup.exe"})), L"C:\\Apps\\Setup.exe");
    EXPECT_EQ(locateProgramPath(L"setup", worldWith({L"D:\\bin\\setup.exe"}, {L"C:\\x", L"D:\\bin"})),
              L"D:\\bin\\setup.exe");
    EXPECT_EQ(locateProgramPath(L"C:\\dir.v2\\setup", worldWith({L"C:\\dir.v2\\setup.exe"})), L"C:\\dir.v2\\setup.exe");
    EXPECT_THROW(locateProgramPath(L"setup", worldWith({}, {L"C:\\x"})), TerminalError);
    try {
        locateProgramPath(L"nothing", worldWith({}));
    } catch (const TerminalError& e) {
        EXPECT_EQ(e.text(), L"unable to locate executable");
    }
}

TEST(KivFile, ThreePlacesInOrder) {
    EXPECT_EQ(kivCandidates(L"C:\\Apps\\Setup.EXE", L"C:\\cwd"),
              (std::vector<std::wstring>{L"C:\\Apps\\Setup.kiv", L"C:\\Apps\\Setup.EXE.kiv", L"C:\\cwd\\Setup.kiv"}));
    // Without an exe extension there is no first choice.
    EXPECT_EQ(kivCandidates(L"C:\\Apps\\run.com", L"C:\\cwd"),
              (std::vector<std::wstring>{L"C:\\Apps\\run.com.kiv", L"C:\\cwd\\run.kiv"}));

    EXPECT_EQ(locateKivFile(L"C:\\Apps\\Setup.exe", worldWith({L"C:\\Apps\\Setup.exe.kiv", L"C:\\cwd\\Setup.kiv"})),
              L"C:\\Apps\\Setup.exe.kiv");
    EXPECT_EQ(locateKivFile(L"C:\\Apps\\Setup.exe", worldWith({L"C:\\cwd\\Setup.kiv"})), L"C:\\cwd\\Setup.kiv");
}

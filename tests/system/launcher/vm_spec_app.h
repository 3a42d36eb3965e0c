#pragma once
// An application folder for tests of the installer build's options and of VM
// specification files: jvmspecs files, stand-in VMs that answer Verify, and what ran.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/system/launcher/vm_test_app.h"

namespace velmora::test {

inline const std::string kKiv =
    "kiv.nl.java.launcher.main.class=Main\n"
    "kiv.class.path=app.jar\n";

inline const std::string kVerifyAnswers = "verify.java.version=1.8.0_310\nverify.java.vendor=Oracle Corporation\n";

// One specification file, a.spec, steers a without-VM build.
inline const std::string kSpecBuild =
    "build.option=withoutvm\n"
    "build.jvmspec.applicable=true\n"
    "build.jvmspec.total.num=1\n"
    "build.jvmspec.0=a.spec\n";

inline std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(static_cast<char>(c));  // test paths are ASCII
    return out;
}

class SpecApp : public VmTestApp {
public:
    void buildOptions(const std::string& lines) const { write(L"jvmspecs\\jvmspecs.properties", lines); }
    void spec(const std::wstring& name, const std::string& text) const { write(L"jvmspecs\\" + name, text); }
    // A stand-in under folder\bin that answers Verify with `answers`.
    std::wstring vm(const std::wstring& folder, const std::string& answers = kVerifyAnswers) const {
        std::wstring exe = placeVm(L"standin_vm_sun18", folder + L"\\bin\\java.exe");
        configureVm(folder + L"\\bin", answers);
        return exe;
    }
    // The executable that started, or the exit code when none did.
    std::wstring chosen(const ChildResult& result) const {
        if (!result.started) return L"not started: error " + std::to_wstring(result.startError);
        if (result.timedOut) return L"timed out";
        if (result.exitCode != 0) return L"exit " + std::to_wstring(result.exitCode);
        std::wstring exe = recorded(L"exe.txt");
        return exe.empty() ? L"no application run; output: " + widen(result.standardOutput + result.standardError) : exe;
    }
    std::wstring runAndChoose(std::vector<std::wstring> path = {}, ChildOptions options = {}) const {
        forget();
        last_ = run(L"", std::move(path), std::move(options));
        return chosen(last_);
    }
    // Executables that ran Verify, in order.
    std::vector<std::wstring> verified() const {
        std::vector<std::wstring> exes;
        std::wstring log = recorded(L"runs.log");
        for (size_t at = log.find(L"verify|"); at != std::wstring::npos; at = log.find(L"verify|", at + 1)) {
            size_t start = at + 7;
            exes.push_back(log.substr(start, log.find(L'|', start) - start));
        }
        return exes;
    }
    void forget() const {
        ::DeleteFileW(path(L"rec\\exe.txt").c_str());
        ::DeleteFileW(path(L"rec\\runs.log").c_str());
    }
    const ChildResult& last() const { return last_; }

private:
    mutable ChildResult last_;
};

}  // namespace velmora::test

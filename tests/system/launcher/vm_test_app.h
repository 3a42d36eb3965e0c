#pragma once
// An application folder for launcher tests: a copy of quillrun.exe as app.exe, its .kiv
// file, stand-in VMs placed where a test wants them, and what the stand-in recorded.
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace velmora::test {

class VmTestApp {
public:
    VmTestApp();

    const std::wstring& root() const { return folder_.path(); }
    std::wstring path(const std::wstring& relative) const { return folder_ / relative; }
    std::wstring forwardSlashes(std::wstring text) const;

    void writeKiv(const std::string& text) const;
    // Copies a stand-in variant ("standin_vm_sun11") to `relative`; returns its full path.
    std::wstring placeVm(const std::wstring& variant, const std::wstring& relative) const;
    // standin.cfg beside a placed VM.
    void configureVm(const std::wstring& vmRelativeDirectory, const std::string& lines) const;
    void write(const std::wstring& relative, const std::string& bytes) const { folder_.write(relative, bytes); }

    // Runs app.exe with the arguments as written; PATH is `path` (the system folders when
    // empty) so that no VM of the machine takes part.
    ChildResult run(const std::wstring& arguments, std::vector<std::wstring> path = {},
                    ChildOptions options = {}) const;
    // The same for another command line, which starts app.exe itself (through cmd.exe, say).
    ChildResult runCommand(const std::wstring& commandLine, std::vector<std::wstring> path = {},
                           ChildOptions options = {}) const;

    // A record file of the last application run (UTF-8 decoded); empty when missing.
    std::wstring recorded(const std::wstring& name) const;
    std::string recordedBytes(const std::wstring& name) const;
    // The scratch properties file named on the recorded command line.
    std::wstring scratchFileOf(const std::wstring& commandLine) const;

private:
    TempFolder folder_;
};

std::wstring widen(const std::string& utf8);

}  // namespace velmora::test

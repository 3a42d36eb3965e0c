#pragma once
// An installer for self-extractor tests: a payload folder packed onto ruvo.exe (stubProgram())
// with ruvo-pack, a private temporary folder for its working directories, a start folder for
// sea.log, and what the program it started recorded.
#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace velmora::test {

class TestInstaller {
public:
    // `temporaryFolder` (relative, may hold spaces) becomes TMP and TEMP of the runs.
    explicit TestInstaller(std::wstring name = L"setup", std::wstring temporaryFolder = L"tmp");

    const std::wstring& root() const { return folder_.path(); }
    std::wstring path(const std::wstring& relative) const { return folder_ / relative; }
    const std::wstring& name() const { return name_; }

    // Payload contents, relative to the payload's top folder.
    void add(const std::wstring& relative, const std::string& bytes) const;
    void addCopy(const std::wstring& relative, const std::wstring& source) const;
    // Windows\<name>.exe: the stand-in VM, recording what it was started with.
    void addStandInLauncher() const;
    // Windows\<name>.exe: quillrun, its .kiv naming the stand-in VM below resource\jre, and the VM.
    void addQuillrunLauncher(const std::string& extraKivLines = "") const;

    // Packs the payload; returns the installer's full path (<root>\dl\<name>.exe).
    std::wstring pack(int level = 6) const;
    std::wstring installer() const { return path(L"dl\\" + name_ + L".exe"); }
    // Flips a byte inside the compressed data of the payload's first member, Windows/<name>.exe.
    void damageFirstMember() const;
    // Cuts the installer in the middle of its payload: the archive's directory goes.
    void truncatePayload() const;

    // Environment of a run: private TMP/TEMP, the stand-in's record folder, KIV_DEBUG=true
    // unless the caller sets it; started in <root>\start.
    ChildOptions runOptions(ChildOptions options = {}) const;
    ChildResult run(const std::wstring& commandLine, ChildOptions options = {}) const;
    ChildResult runQuoted(const std::wstring& arguments, ChildOptions options = {}) const;

    std::wstring temporaryFolder() const { return path(temporary_); }
    std::wstring startFolder() const { return path(L"start"); }
    std::vector<std::wstring> workingDirectories() const;  // full paths of I* folders in TMP
    std::string seaLog() const;                            // empty when missing
    std::wstring recorded(const std::wstring& file) const; // stand-in record, UTF-8 decoded
    bool launcherRan() const;

private:
    TempFolder folder_;
    std::wstring name_;
    std::wstring temporary_;
};

// A program started without waiting, for dialog tests; killed if still running at the end.
class RunningProgram {
public:
    RunningProgram(const std::wstring& commandLine, const ChildOptions& options);
    ~RunningProgram();
    DWORD processId() const { return processId_; }
    bool started() const { return process_.valid(); }
    // Exit code, or STILL_ACTIVE after the time-out.
    DWORD wait(DWORD timeoutMs);

private:
    UniqueKernelHandle process_;
    DWORD processId_ = 0;
};

size_t countOf(const std::string& haystack, const std::string& needle);
std::string narrow(const std::wstring& text);
// Incompressible bytes.
std::string noise(size_t size, uint64_t seed = 88172645463325252ull);

}  // namespace velmora::test

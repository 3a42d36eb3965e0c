#include "launcher/vm_process.h"

#include <atomic>
#include <utility>

#include "common/decimal_text.h"
#include "common/process_start.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/java_command_line.h"
#include "launcher/launcher_errors.h"
#include "launcher/message_table.h"
#include "launcher/parent_console.h"
#include "launcher/windowed_mode.h"

namespace velmora::launcher {

std::wstring startFailureText(const std::wstring& messageText, DWORD error) {
    std::wstring text = messageText;
    size_t at = text.find(L"%d");
    std::wstring number = decimalText(static_cast<int32_t>(error));
    if (at == std::wstring::npos) return text + L" (" + number + L")";  // a translation without the field
    return text.replace(at, 2, number);
}

UniqueKernelHandle startVmProcess(const std::wstring& commandLine, const LaunchOptions& options, bool wait) {
    ProcessStart start;
    start.commandLine = commandLine;
    if (windowedMode() && sharesParentConsole()) {
        // Started from a console: the console VM shares it, so that System.out appears there.
        start.commandLine = consoleVmCommandLine(commandLine, [](const std::wstring& p) { return exists(p); });
    } else if (windowedMode()) {
        // No console window beside the application's own: javaw.exe when the VM has one,
        // otherwise the console VM without a window.
        start.commandLine = windowedVmCommandLine(commandLine, [](const std::wstring& p) { return exists(p); });
        start.creationFlags = CREATE_NO_WINDOW;
    }
    // No cut at 260 characters: a directory too long for the system fails the start visibly.
    start.workingDirectory = options.workingDirectory.empty() ? std::wstring() : fullPath(options.workingDirectory, false);
    // The VM takes this process's start-up information (window placement and title).
    STARTUPINFOW startup{};
    ::GetStartupInfoW(&startup);
    if (!options.appUserModelId.empty()) {
        // The two title meanings exclude each other: a shortcut's link name gives way.
        startup.lpTitle = const_cast<wchar_t*>(options.appUserModelId.c_str());
        startup.dwFlags = (startup.dwFlags & ~STARTF_TITLEISLINKNAME) | STARTF_TITLEISAPPID;
    }
    start.startupInfo = &startup;
    start.useStandardHandles = true;
    start.standardHandles = ownStandardHandles();
    // A longer line the system would refuse or the VM get cut; a NUL would end it early.
    if (start.commandLine.size() >= kCommandLineLimit)
        throw TerminalError(overlongCommandLineText(start.commandLine.size(), L"only VMs of version 9 and later take an argument file"));
    if (start.commandLine.find(L'\0') != std::wstring::npos)
        throw TerminalError(L"the Java command line holds a NUL character, which would end it there");
    trail(L"starting: " + start.commandLine);
    trail(L"working directory: " +
          (start.workingDirectory.empty() ? std::wstring(L"(the launcher's own)") : start.workingDirectory));

    StartedProcess started = startProcess(start);
    if (!started.started()) {
        trail(L"the start failed with Windows error " + decimalText(started.error));
        // The first quoted item is the program the system could not start.
        const size_t close = start.commandLine.find(L'"', 1);
        const std::wstring program = start.commandLine.starts_with(L'"') && close != std::wstring::npos
                                         ? start.commandLine.substr(1, close - 1)
                                         : start.commandLine;
        throw TerminalError(startFailureText(message(kMsgVmStartFailed), started.error) + L"\n" + program);
    }
    if (wait) ::WaitForSingleObject(started.process.get(), INFINITE);
    return std::move(started.process);
}

uint32_t waitForExitCode(HANDLE process) { return waitForExit(process, 0); }

namespace {

// The read end is an overlapped named pipe so that one thread can wait for output and for
// the program's end at once, with one deadline for both.
struct OutputPipe {
    UniqueFileHandle read;
    UniqueFileHandle write;  // handed to the program
};

bool makeOutputPipe(OutputPipe& pipe) {
    static std::atomic<unsigned> counter{0};
    std::wstring name = L"\\\\.\\pipe\\velmora-capture-" + decimalText(::GetCurrentProcessId()) + L"-" +
                        decimalText(counter++) + L"-" + decimalText(::GetTickCount64());
    pipe.read.reset(::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                       0, 65536, 0, nullptr));
    if (!pipe.read) return false;
    pipe.write.reset(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return pipe.write.valid();
}

class OverlappedReader {
public:
    explicit OverlappedReader(HANDLE pipe) : pipe_(pipe), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        overlapped_.hEvent = event_.get();
    }
    ~OverlappedReader() {
        if (pending_) {  // the buffer must outlive the read
            ::CancelIoEx(pipe_, &overlapped_);
            DWORD ignored = 0;
            ::GetOverlappedResult(pipe_, &overlapped_, &ignored, TRUE);
        }
    }
    bool valid() const { return event_.valid(); }
    HANDLE event() const { return event_.get(); }
    bool ended() const { return ended_; }

    // Issues reads until one is pending; collects what completes at once.
    void issue(std::string& into) {
        while (!pending_ && !ended_) {
            ::ResetEvent(event_.get());
            DWORD got = 0;
            if (::ReadFile(pipe_, buffer_, sizeof buffer_, &got, &overlapped_)) {
                into.append(buffer_, got);
                continue;
            }
            if (::GetLastError() == ERROR_IO_PENDING)
                pending_ = true;
            else
                ended_ = true;  // broken pipe: every writer has gone
        }
    }
    // After the event fired.
    void complete(std::string& into) {
        DWORD got = 0;
        pending_ = false;
        if (::GetOverlappedResult(pipe_, &overlapped_, &got, FALSE))
            into.append(buffer_, got);
        else
            ended_ = true;
    }

private:
    HANDLE pipe_;
    UniqueKernelHandle event_;
    OVERLAPPED overlapped_{};
    char buffer_[4096];
    bool pending_ = false;
    bool ended_ = false;
};

}  // namespace

CapturedRun captureProcessOutput(const std::wstring& commandLine, const std::wstring& directory, DWORD timeoutMs) {
    CapturedRun run;
    OutputPipe pipe;
    if (!makeOutputPipe(pipe)) return run;
    OverlappedReader reader(pipe.read.get());
    if (!reader.valid()) return run;

    ProcessStart start;
    start.commandLine = commandLine;
    start.workingDirectory = directory;
    start.creationFlags = CREATE_NO_WINDOW;
    start.useStandardHandles = true;
    start.standardHandles = {nullptr, pipe.write.get(), pipe.write.get()};
    StartedProcess started = startProcess(start);
    if (!started.started()) return run;
    run.started = true;
    UniqueKernelHandle process = std::move(started.process);
    pipe.write.reset();  // only the program holds the write end now

    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    bool exited = false;
    reader.issue(run.output);
    while (!(exited && reader.ended())) {
        ULONGLONG now = ::GetTickCount64();
        DWORD remaining = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        HANDLE handles[2];
        DWORD count = 0;
        if (!reader.ended()) handles[count++] = reader.event();
        if (!exited) handles[count++] = process.get();
        DWORD result = ::WaitForMultipleObjects(count, handles, FALSE, remaining);
        if (result == WAIT_TIMEOUT) break;
        if (result >= WAIT_OBJECT_0 + count) break;
        HANDLE fired = handles[result - WAIT_OBJECT_0];
        if (fired == process.get()) {
            exited = true;
        } else {
            reader.complete(run.output);
            reader.issue(run.output);
        }
    }
    if (!exited) {
        // Nothing may run on after the launcher has given up on it.
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 5000);
    }
    // A program that ended in time counts, even when a child of its own still holds the pipe.
    run.finished = exited;
    return run;
}

}  // namespace velmora::launcher

#include "tests/support/child_process.h"

#include <map>
#include <thread>

#include "common/unique_handle.h"

namespace velmora::test {
namespace {

struct Pipe {
    UniqueKernelHandle read, write;
};

Pipe makePipe(bool childReads) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Pipe pipe;
    ::CreatePipe(pipe.read.receive(), pipe.write.receive(), &inherit, 0);
    // Only the child's end may be inherited.
    ::SetHandleInformation(childReads ? pipe.write.get() : pipe.read.get(), HANDLE_FLAG_INHERIT, 0);
    return pipe;
}

std::wstring upper(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towupper(c));
    return s;
}

std::wstring buildEnvironment(const ChildOptions& options) {
    std::map<std::wstring, std::wstring> byUpperName;  // Windows names are case-insensitive
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* p = block; p && *p; p += wcslen(p) + 1) {
        std::wstring entry(p);
        size_t eq = entry.find(L'=', 1);
        byUpperName[upper(entry.substr(0, eq))] = entry;
    }
    if (block) ::FreeEnvironmentStringsW(block);
    for (const auto& name : options.removedEnvironment) byUpperName.erase(upper(name));
    for (const auto& entry : options.extraEnvironment) byUpperName[upper(entry.substr(0, entry.find(L'=', 1)))] = entry;
    std::wstring result;
    for (const auto& [name, entry] : byUpperName) result += entry + L'\0';
    result += L'\0';
    return result;
}

void drain(HANDLE from, std::string* into) {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) into->append(buffer, got);
}

}  // namespace

ChildResult runChild(const std::wstring& commandLine, const ChildOptions& options) {
    ChildResult result;
    Pipe in = makePipe(true), out = makePipe(false), err = makePipe(false);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.read.get();
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();

    std::wstring environment = buildEnvironment(options);
    std::wstring writable = commandLine;
    PROCESS_INFORMATION info{};
    const wchar_t* application = options.applicationName.empty() ? nullptr : options.applicationName.c_str();
    if (!::CreateProcessW(application, writable.data(), nullptr, nullptr, TRUE,
                          CREATE_UNICODE_ENVIRONMENT | options.consoleFlag, environment.data(),
                          options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
                          &info)) {
        result.startError = ::GetLastError();
        return result;
    }
    result.started = true;
    UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    in.read.reset();
    out.write.reset();
    err.write.reset();

    std::thread outReader(drain, out.read.get(), &result.standardOutput);
    std::thread errReader(drain, err.read.get(), &result.standardError);
    DWORD written = 0;
    if (!options.standardInput.empty())
        ::WriteFile(in.write.get(), options.standardInput.data(), static_cast<DWORD>(options.standardInput.size()),
                    &written, nullptr);
    in.write.reset();

    if (::WaitForSingleObject(process.get(), options.timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        ::TerminateProcess(process.get(), 255);
        ::WaitForSingleObject(process.get(), INFINITE);
    }
    ::GetExitCodeProcess(process.get(), &result.exitCode);
    outReader.join();
    errReader.join();
    return result;
}

bool contains(const std::string& haystack, const std::string& needle) { return haystack.find(needle) != std::string::npos; }

std::string describe(const ChildResult& result) {
    if (!result.started) return "not started, error " + std::to_string(result.startError);
    return (result.timedOut ? std::string("timed out") : "exit code " + std::to_string(result.exitCode)) +
           "\n--- standard output ---\n" + result.standardOutput + "\n--- standard error ---\n" +
           result.standardError;
}

}  // namespace velmora::test

// java.exe stand-in that runs the host's Linux JVM under Wine with the same arguments.
// Wine starts Linux programs detached (their handle neither waits nor tells the exit code),
// so the VM runs inside a small shell script that writes its exit code to a file we wait for.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/process_start.h"
#include "common/system_library.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "tools/java_bridge/host_command.h"

using namespace velmora;
using namespace velmora::bridge;

namespace {

using UnixNameFn = char*(CDECL*)(LPCWSTR);
using DosNameFn = WCHAR*(CDECL*)(LPCSTR);

// The text a Wine call returns, freed from the process heap it was allocated on.
template <typename Text>
Text takenFromHeap(typename Text::value_type* text) {
    if (!text) return {};
    Text result(text);
    ::HeapFree(::GetProcessHeap(), 0, text);
    return result;
}

struct WineNames {
    UnixNameFn unixName = nullptr;
    DosNameFn dosName = nullptr;

    WineNames() {
        HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        unixName = SystemEntry<UnixNameFn>(kernel, "wine_get_unix_file_name");
        dosName = SystemEntry<DosNameFn>(kernel, "wine_get_dos_file_name");
    }
    bool available() const { return unixName && dosName; }

    std::string hostPath(const std::wstring& windowsPath) const {
        return takenFromHeap<std::string>(unixName(windowsPath.c_str()));
    }
    std::wstring windowsPath(const std::string& hostPath) const {
        return takenFromHeap<std::wstring>(dosName(hostPath.c_str()));
    }
};

int fail(const std::wstring& text) {
    std::fwprintf(stderr, L"java bridge: %ls\n", text.c_str());
    return 1;
}

std::wstring environmentValue(const wchar_t* name) {
    DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), needed));
    return value;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool readFile(const std::wstring& path, std::string* bytes) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    char buffer[64];
    DWORD got = 0;
    bytes->clear();
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes->append(buffer, got);
    return true;
}

// A scratch folder for the script and the exit-code file, removed at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        for (unsigned n = 0; n < 1000 && path_.empty(); ++n) {
            std::wstring candidate = std::wstring(base) + L"javabridge-" + std::to_wstring(::GetCurrentProcessId()) +
                                     L"-" + std::to_wstring(n);
            if (::CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
        }
    }
    ~ScratchFolder() {
        if (path_.empty()) return;
        for (const wchar_t* name : {L"run.sh", L"status", L"status.part", L"status.pid"})
            ::DeleteFileW((path_ + L"\\" + name).c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace

int wmain() {
    WineNames wine;
    if (!wine.available()) return fail(L"this program only runs under Wine");

    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> windowsArguments;
    for (int i = 1; argv && i < argc; ++i) windowsArguments.emplace_back(argv[i]);
    if (argv) ::LocalFree(argv);

    std::wstring hostJava = environmentValue(L"VELMORA_HOST_JAVA");
    if (hostJava.empty()) hostJava = L"/usr/bin/java";

    PathMapper mapper{[&](const std::wstring& p) { return wine.hostPath(p); },
                      [](const std::wstring& p) { return ::GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }};
    // The argument files the launcher writes for long lines hold Windows paths too.
    windowsArguments = expandArgumentFiles(windowsArguments, [](const std::wstring& path) -> std::optional<std::wstring> {
        std::string bytes;
        if (!readFile(path, &bytes)) return std::nullopt;
        std::wstring text(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0)), L'\0');
        if (!text.empty())
            ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()));
        return text;
    });
    std::vector<HostArgument> arguments = hostArguments(windowsArguments, mapper);

    ScratchFolder scratch;
    if (scratch.path().empty()) return fail(L"cannot create a scratch folder in the temporary folder");
    const std::wstring statusPath = scratch.path() + L"\\status";
    const std::wstring scriptPath = scratch.path() + L"\\run.sh";

    wchar_t current[MAX_PATH];
    DWORD currentLength = ::GetCurrentDirectoryW(MAX_PATH, current);
    std::string script = bridgeScript(wideToUtf8(hostJava), arguments,
                                      currentLength ? wine.hostPath(current) : std::string(), wine.hostPath(statusPath));
    if (!writeFile(scriptPath, script)) return fail(L"cannot write " + scriptPath);

    std::wstring shell = wine.windowsPath("/bin/sh");
    std::wstring commandLine = L"\"" + shell + L"\" \"" + utf8ToWide(wine.hostPath(scriptPath)) + L"\"";
    ProcessStart start;
    start.applicationName = shell;
    start.commandLine = commandLine;
    start.useStandardHandles = true;
    start.standardHandles = ownStandardHandles();
    StartedProcess started = startProcess(start);
    if (!started.started())
        return fail(L"cannot start " + shell + L" (error " + std::to_wstring(started.error) + L")");

    // Wait for the exit code; give up only when the shell is gone without writing one.
    std::string status;
    std::wstring shellProcess;
    for (unsigned round = 0;; ++round) {
        if (readFile(statusPath, &status)) break;
        std::string pid;
        if (shellProcess.empty() && readFile(statusPath + L".pid", &pid) && !pid.empty())
            shellProcess = wine.windowsPath("/proc/" + pid);
        if (!shellProcess.empty() && ::GetFileAttributesW(shellProcess.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (readFile(statusPath, &status)) break;
            return fail(L"the host VM ended without an exit code");
        }
        if (shellProcess.empty() && round > 1000) return fail(L"the host shell did not start");
        ::Sleep(round < 50 ? 2 : 20);
    }
    return std::atoi(status.c_str());
}

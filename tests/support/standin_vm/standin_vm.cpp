// A stand-in for a Java VM: it keeps the contract the launcher relies on and records what
// it received, so that tests can look at the launch from the VM's side.
//
// Settings come from "standin.cfg" beside the executable (key=value lines), then from
// environment variables STANDIN_<KEY> (upper case, '.' as '_'):
//   record          folder for the record files (commandline.txt, classpath.txt, cwd.txt,
//                   exe.txt, propfile1.txt, propfile2.txt, env_<NAME>.txt, runs.log, and
//                   startup.txt: the start-up information's flags in hex and its title, one a line;
//                   console.txt: whether the console's output opens, and how many processes share it)
// Argument files ("@file" before the main class) are read as a VM of version 9 and later
// reads them, whatever the stand-in's version.
//   env             comma-separated variable names to record besides CLASSPATH
//   exit            exit code of an application run (may be negative)
//   validator.exit  exit code of a validator-class run
//   verify.header   header line of a Verify run; verify.<property> the values printed
//   verify.crlf     1: Verify lines end with CR LF
//   verify.filler   that many 'x' characters appended to the header line
//   sleep.ms        sleep before answering
//   wait.file       an application run, once recorded, waits (up to 60 s) until this file exists
//   output          an application run writes exactly this to standard output (\n: a line break)
//                   instead of its "standin: application ... ran" line
//   stamp           file that receives the start time (FILETIME, decimal) for benchmarks
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/java_argument_file.h"

namespace {

FILETIME startTime;

std::wstring moduleDirectory() {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, length);
    return text.substr(0, text.rfind(L'\\'));
}

std::wstring modulePath() {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

bool readBytes(const std::wstring& path, std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    ::CloseHandle(file);
    return true;
}

void writeBytes(const std::wstring& path, const std::string& bytes, bool append) {
    HANDLE file = ::CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                append ? OPEN_ALWAYS : CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::vector<std::pair<std::wstring, std::wstring>> fileSettings;

void loadFileSettings() {
    std::string bytes;
    if (!readBytes(moduleDirectory() + L"\\standin.cfg", bytes)) return;
    std::wstring text = fromUtf8(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        size_t eq = line.find(L'=');
        if (eq != std::wstring::npos) fileSettings.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        start = end + 1;
    }
}

bool setting(const std::wstring& key, std::wstring& value) {
    for (const auto& [k, v] : fileSettings)
        if (k == key) {
            value = v;
            return true;
        }
    std::wstring name = L"STANDIN_";
    for (wchar_t c : key) name += c == L'.' ? L'_' : static_cast<wchar_t>(towupper(c));
    wchar_t buffer[32768];
    DWORD length = ::GetEnvironmentVariableW(name.c_str(), buffer, 32768);
    if (length == 0 || length >= 32768) return false;
    value.assign(buffer, length);
    return true;
}

std::wstring settingOr(const std::wstring& key, const std::wstring& fallback) {
    std::wstring value;
    return setting(key, value) ? value : fallback;
}

int intSetting(const std::wstring& key, int fallback) {
    std::wstring value;
    return setting(key, value) ? static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)) : fallback;
}

void writeOut(const std::string& bytes) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void logRun(const std::wstring& kind) {
    std::wstring folder;
    if (!setting(L"record", folder)) return;
    writeBytes(folder + L"\\runs.log", toUtf8(kind + L"|" + modulePath() + L"|" + ::GetCommandLineW()) + "\n", true);
}

void recordEnvironment(const std::wstring& folder, const std::wstring& name) {
    wchar_t buffer[32768];
    DWORD length = ::GetEnvironmentVariableW(name.c_str(), buffer, 32768);
    if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return;
    writeBytes(folder + L"\\env_" + name + L".txt", toUtf8(std::wstring(buffer, length < 32768 ? length : 0)), false);
}

void recordApplicationRun(const std::vector<std::wstring>& received, const std::vector<std::wstring>& vmOptions,
                          const std::vector<std::wstring>& programArguments) {
    std::wstring folder;
    if (!setting(L"record", folder)) return;
    writeBytes(folder + L"\\commandline.txt", toUtf8(::GetCommandLineW()), false);
    wchar_t cwd[MAX_PATH];
    DWORD length = ::GetCurrentDirectoryW(MAX_PATH, cwd);
    writeBytes(folder + L"\\cwd.txt", toUtf8(std::wstring(cwd, length)), false);
    writeBytes(folder + L"\\exe.txt", toUtf8(modulePath()), false);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    wchar_t flags[16];
    std::swprintf(flags, 16, L"%08lx", startup.dwFlags);
    writeBytes(folder + L"\\startup.txt",
               toUtf8(std::wstring(L"flags=") + flags + L"\ntitle=" + (startup.lpTitle ? startup.lpTitle : L"") + L"\n"), false);
    // The two property files come first after the main class, or before it as system
    // properties with plain arguments.
    for (size_t i = 0; i < 2 && i < programArguments.size(); ++i) {
        std::string bytes;
        if (readBytes(programArguments[i], bytes))
            writeBytes(folder + L"\\propfile" + std::to_wstring(i + 1) + L".txt", bytes, false);
    }
    // The class path as the VM took it, from the command line or an argument file.
    for (size_t i = 0; i + 1 < received.size(); ++i)
        if (received[i] == L"-classpath" || received[i] == L"-cp" || received[i] == L"/cp")
            writeBytes(folder + L"\\classpath.txt", toUtf8(received[i + 1]), false);
    const wchar_t* properties[] = {L"-Dkiv.file=", L"-Dkiv.runtime.file="};
    for (const auto& option : vmOptions)
        for (size_t i = 0; i < 2; ++i) {
            std::string bytes;
            const std::wstring prefix = properties[i];
            if (option.compare(0, prefix.size(), prefix) == 0 && readBytes(option.substr(prefix.size()), bytes))
                writeBytes(folder + L"\\propfile" + std::to_wstring(i + 1) + L".txt", bytes, false);
        }
    // A console without a window (as Wine makes them here) counts too: CONOUT$ opens on any.
    HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) ::CloseHandle(console);
    DWORD processes[16];
    const DWORD sharing = ::GetConsoleProcessList(processes, 16);
    writeBytes(folder + L"\\console.txt",
               std::string("console=") + (console != INVALID_HANDLE_VALUE ? "yes" : "no") + "\nprocesses=" +
                   std::to_string(sharing) + "\n",
               false);
    recordEnvironment(folder, L"CLASSPATH");
    std::wstring names = settingOr(L"env", L"");
    size_t start = 0;
    while (start < names.size()) {
        size_t comma = names.find(L',', start);
        if (comma == std::wstring::npos) comma = names.size();
        if (comma > start) recordEnvironment(folder, names.substr(start, comma - start));
        start = comma + 1;
    }
}

// As the Java launcher of version 9 and later does: before the main class (the argument after
// the class path's), "@file" stands for the arguments in that file, read in the system's code
// page; an argument file that cannot be read ends the run as the launcher ends it.
std::vector<std::wstring> expandArgumentFiles(const std::vector<std::wstring>& given) {
    std::vector<std::wstring> out;
    int state = 0;  // 0: before the class path option, 1: its value next, 2: the main class next, 3: after it
    auto push = [&](const std::wstring& argument) {
        out.push_back(argument);
        if (out.size() == 1) return;
        if (state == 0 && (argument == L"-classpath" || argument == L"-cp" || argument == L"/cp")) state = 1;
        else if (state == 1 || state == 2) ++state;
    };
    for (size_t i = 0; i < given.size(); ++i) {
        if (i == 0 || state == 3 || given[i].size() < 2 || given[i][0] != L'@') {
            push(given[i]);
            continue;
        }
        std::string bytes;
        if (!readBytes(given[i].substr(1), bytes)) {
            writeOut("Error: could not open `" + toUtf8(given[i].substr(1)) + "'\n");
            ::ExitProcess(1);
        }
        std::wstring text;
        if (!bytes.empty()) {
            int size = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
            text.resize(static_cast<size_t>(size));
            ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
        }
        for (const auto& argument : velmora::parseArgumentFile(text)) push(argument);
    }
    return out;
}

int answerVerify(const std::vector<std::wstring>& properties) {
    const std::string end = intSetting(L"verify.crlf", 0) ? "\r\n" : "\n";
    std::string output = toUtf8(settingOr(L"verify.header", L"Verify 1.0"));
    output.append(static_cast<size_t>(intSetting(L"verify.filler", 0)), 'x');
    output += end;
    for (const auto& property : properties) output += toUtf8(settingOr(L"verify." + property, L"null")) + end;
    writeOut(output);
    return 0;
}

}  // namespace

int wmain() {
    ::GetSystemTimePreciseAsFileTime(&startTime);
    loadFileSettings();
    std::wstring stampFile;
    if (setting(L"stamp", stampFile)) {
        ULARGE_INTEGER t{{startTime.dwLowDateTime, startTime.dwHighDateTime}};
        writeBytes(stampFile, std::to_string(t.QuadPart) + "\n", true);
    }

    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> given;
    for (int i = 0; i < count; ++i) given.emplace_back(argv[i]);
    ::LocalFree(argv);
    std::vector<std::wstring> args = expandArgumentFiles(given);

    // The class path option is followed by the class path, then the main class.
    std::wstring mainClass;
    std::vector<std::wstring> vmOptions, rest;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == L"-classpath" || args[i] == L"-cp" || args[i] == L"/cp") {
            size_t at = i + 2;
            while (at < args.size() && args[at].compare(0, 2, L"-D") == 0) vmOptions.push_back(args[at++]);
            if (at < args.size()) {
                mainClass = args[at];
                rest.assign(args.begin() + static_cast<std::ptrdiff_t>(at + 1), args.end());
            }
            break;
        }
    }

    int sleepMs = intSetting(L"sleep.ms", 0);
    if (sleepMs > 0) ::Sleep(static_cast<DWORD>(sleepMs));

    if (mainClass == L"Verify") {
        logRun(L"verify");
        return answerVerify(rest);
    }
    if (mainClass == L"com.merrow.util.jvm.Validator") {
        logRun(L"validator");
        return intSetting(L"validator.exit", 0);
    }
    logRun(L"application");
    recordApplicationRun(args, vmOptions, rest);
    std::wstring waitFile;
    if (setting(L"wait.file", waitFile))
        for (int i = 0; i < 600 && ::GetFileAttributesW(waitFile.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(100);
    std::wstring output;
    if (setting(L"output", output)) {
        for (size_t at = output.find(L"\\n"); at != std::wstring::npos; at = output.find(L"\\n", at))
            output.replace(at, 2, L"\n");
        writeOut(toUtf8(output));
    } else {
        writeOut("standin: application " + toUtf8(mainClass) + " ran\n");
    }
    return intSetting(L"exit", 0);
}

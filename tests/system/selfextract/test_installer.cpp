#include "tests/system/selfextract/test_installer.h"

#include <map>
#include <stdexcept>

#include "common/text_convert.h"
#include "tests/support/test_paths.h"
#include "tests/support/wine_desktop.h"

namespace velmora::test {

namespace {

std::wstring upper(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towupper(c));
    return s;
}

std::wstring environmentBlock(const ChildOptions& options) {
    std::map<std::wstring, std::wstring> byName;
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* p = block; p && *p; p += wcslen(p) + 1) {
        std::wstring entry(p);
        byName[upper(entry.substr(0, entry.find(L'=', 1)))] = entry;
    }
    if (block) ::FreeEnvironmentStringsW(block);
    for (const auto& name : options.removedEnvironment) byName.erase(upper(name));
    for (const auto& entry : options.extraEnvironment) byName[upper(entry.substr(0, entry.find(L'=', 1)))] = entry;
    std::wstring result;
    for (const auto& [name, entry] : byName) result += entry + L'\0';
    return result + L'\0';
}

}  // namespace

TestInstaller::TestInstaller(std::wstring name, std::wstring temporaryFolder)
    : name_(std::move(name)), temporary_(std::move(temporaryFolder)) {
    startWineDesktopDetached();
    folder_.makeFolder(L"payload");
    folder_.makeFolder(L"dl");
    folder_.makeFolder(L"rec");
    folder_.makeFolder(L"start");
    folder_.makeFolder(temporary_);
}

void TestInstaller::add(const std::wstring& relative, const std::string& bytes) const {
    folder_.write(L"payload\\" + relative, bytes);
}

void TestInstaller::addCopy(const std::wstring& relative, const std::wstring& source) const {
    std::wstring target = path(L"payload\\" + relative);
    folder_.makeFolder(L"payload\\" + relative.substr(0, relative.rfind(L'\\')));
    if (!::CopyFileW(source.c_str(), target.c_str(), FALSE)) throw std::runtime_error("cannot copy into the payload");
}

void TestInstaller::addStandInLauncher() const {
    addCopy(L"Windows\\" + name_ + L".exe", testBinFolder() + L"\\standin_vm.exe");
    add(L"Windows\\" + name_ + L".kiv", "kiv.nl.java.launcher.main.class=com.example.Main\n");
}

void TestInstaller::addQuillrunLauncher(const std::string& extraKivLines) const {
    addCopy(L"Windows\\" + name_ + L".exe", distProgram(L"quillrun.exe"));
    add(L"Windows\\" + name_ + L".kiv",
        "kiv.nl.java.launcher.main.class=com.example.Main\n"
        "kiv.class.path=lib/app.jar\n"
        "kiv.nl.current.vm=resource\\\\jre\\\\bin\\\\java.exe\n" +
            extraKivLines);
    addCopy(L"Windows\\resource\\jre\\bin\\java.exe", testBinFolder() + L"\\standin_vm.exe");
}

std::wstring TestInstaller::pack(int level) const {
    // The payloads hold stand-in launchers and test programs, not applications to check.
    ChildResult result = runChild(inQuotes(distProgram(L"ruvo-pack.exe")) + L" --no-check --stub " +
                                  inQuotes(stubProgram()) + L" --out " + inQuotes(installer()) +
                                  L" --level " + std::to_wstring(level) + L" " + inQuotes(path(L"payload")));
    if (!result.started || result.exitCode != 0)
        throw std::runtime_error("ruvo-pack failed: " + result.standardError);
    return installer();
}

void TestInstaller::damageFirstMember() const {
    size_t stub = readFileBytes(stubProgram()).size();
    // Stub, payload header, local header with name and 11-byte extra field, then into the data.
    size_t offset = stub + 1028 + 30 + (L"Windows/" + name_ + L".exe").size() + 11 + 2000;
    std::string bytes = readFileBytes(installer());
    if (offset >= bytes.size()) throw std::runtime_error("payload too small to damage");
    bytes[offset] = static_cast<char>(bytes[offset] ^ 0x5A);
    writeFileBytes(installer(), bytes);
}

void TestInstaller::truncatePayload() const {
    const size_t stub = readFileBytes(stubProgram()).size();
    std::string bytes = readFileBytes(installer());
    bytes.resize(stub + (bytes.size() - stub) / 2);
    writeFileBytes(installer(), bytes);
}

ChildOptions TestInstaller::runOptions(ChildOptions options) const {
    std::vector<std::wstring> defaults = {L"TMP=" + temporaryFolder(), L"TEMP=" + temporaryFolder(),
                                          L"STANDIN_RECORD=" + path(L"rec"),
                                          L"PATH=C:\\windows\\system32;C:\\windows"};
    bool debugGiven = false;
    for (const auto& entry : options.extraEnvironment)
        if (upper(entry.substr(0, 10)) == L"KIV_DEBUG=") debugGiven = true;
    for (const auto& entry : options.removedEnvironment)
        if (upper(entry) == L"KIV_DEBUG") debugGiven = true;
    if (!debugGiven) defaults.push_back(L"KIV_DEBUG=true");
    options.extraEnvironment.insert(options.extraEnvironment.begin(), defaults.begin(), defaults.end());
    options.removedEnvironment.push_back(L"CLASSPATH");
    if (options.workingDirectory.empty()) options.workingDirectory = startFolder();
    return options;
}

ChildResult TestInstaller::run(const std::wstring& commandLine, ChildOptions options) const {
    return runChild(commandLine, runOptions(std::move(options)));
}

ChildResult TestInstaller::runQuoted(const std::wstring& arguments, ChildOptions options) const {
    return run(inQuotes(installer()) + (arguments.empty() ? L"" : L" " + arguments), std::move(options));
}

std::vector<std::wstring> TestInstaller::workingDirectories() const {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW((temporaryFolder() + L"\\I*").c_str(), &data));
    if (!find) return found;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) found.push_back(temporaryFolder() + L"\\" + data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return found;
}

std::string TestInstaller::seaLog() const {
    std::wstring file = path(L"start\\sea.log");
    return ::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : readFileBytes(file);
}

std::wstring TestInstaller::recorded(const std::wstring& file) const {
    std::wstring full = path(L"rec\\" + file);
    return ::GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring()
                                                                        : utf8ToWide(readFileBytes(full));
}

bool TestInstaller::launcherRan() const { return !recorded(L"runs.log").empty(); }

RunningProgram::RunningProgram(const std::wstring& commandLine, const ChildOptions& options) {
    std::wstring environment = environmentBlock(options);
    std::wstring writable = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(),
                          &startup, &info))
        return;
    process_.reset(info.hProcess);
    ::CloseHandle(info.hThread);
    processId_ = info.dwProcessId;
}

RunningProgram::~RunningProgram() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

DWORD RunningProgram::wait(DWORD timeoutMs) {
    if (!process_ || ::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

size_t countOf(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
}

std::string narrow(const std::wstring& text) { return wideToUtf8(text); }

std::string noise(size_t size, uint64_t seed) {
    std::string bytes(size, '\0');
    uint64_t x = seed;
    for (size_t i = 0; i + 8 <= size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        memcpy(&bytes[i], &x, 8);
    }
    return bytes;
}

}  // namespace velmora::test

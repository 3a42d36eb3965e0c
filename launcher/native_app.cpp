#include "launcher/native_app.h"

#include <windows.h>

#include "common/argument_quoting.h"
#include "common/decimal_text.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/launch_options.h"
#include "launcher/launcher_errors.h"
#include "launcher/message_table.h"
#include "file_rules/path_text.h"
#include "launcher/vm/pe_image.h"
#include "launcher/vm/vm_record.h"

namespace velmora::launcher {
namespace {

// An options file is a few lines typed by hand; anything larger is not one.
constexpr DWORD kUserOptionsMaxBytes = 64 * 1024;

bool startsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::wstring_view trimmed(std::wstring_view text) {
    size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring_view::npos) return {};
    size_t end = text.find_last_not_of(L" \t");
    return text.substr(start, end - start + 1);
}

// Options that name what to run, or take the next item as their value: the launcher's class
// path and main class would then be read as something else.
bool replacesTheProgram(std::wstring_view option) {
    for (std::wstring_view taken : {L"-cp", L"-classpath", L"--class-path", L"-jar", L"-m", L"--module", L"--source"}) {
        if (!startsWith(option, taken)) continue;
        const std::wstring_view rest = option.substr(taken.size());
        if (rest.empty() || rest[0] == L' ' || (taken[1] == L'-' && rest[0] == L'=')) return true;
    }
    return false;
}

std::wstring environmentValue(const wchar_t* name) {
    std::wstring value(MAX_PATH, L'\0');
    DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length > value.size()) {
        value.resize(length);
        length = ::GetEnvironmentVariableW(name, value.data(), length);
    }
    value.resize(length < value.size() ? length : 0);
    return value;
}

}  // namespace

UserOptionsLine parseUserOptionsLine(std::wstring_view raw) {
    UserOptionsLine result;
    std::wstring_view line = trimmed(raw);
    if (line.empty() || line[0] == L'#') return result;
    for (wchar_t c : line)
        if (c < 0x20 || c == 0x7F) {
            result.problem = L"the line holds a control character (" + decimalText(static_cast<int32_t>(c)) +
                             L"); write one JVM option per line";
            return result;
        }
    if (line[0] != L'-' || line.size() < 2) {
        result.problem = L"'" + std::wstring(line) + L"' is no JVM option: each line holds one option starting with '-' "
                                                     L"(-Xmx4g, -Dkey=value) or a comment starting with '#'";
        return result;
    }
    if (replacesTheProgram(line)) {
        result.problem = L"'" + std::wstring(line) + L"' would replace the application's class path or main class";
        return result;
    }
    result.option = std::wstring(line);
    return result;
}

UserOptions parseUserOptionsText(std::string_view bytes, const std::wstring& path) {
    UserOptions result;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    size_t start = 0;
    for (int32_t number = 1; start <= bytes.size(); ++number) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view raw = bytes.substr(start, end - start);
        start = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        UserOptionsLine line;
        std::wstring text = utf8ToWide(raw);
        if (!raw.empty() && (text.empty() || wideToUtf8(text) != raw))
            line.problem = L"the line is not UTF-8 text";
        else if (raw.find('\0') != std::string_view::npos)
            line.problem = L"the line holds a NUL character";
        else
            line = parseUserOptionsLine(text);
        if (!line.problem.empty()) {
            result.options.clear();
            result.problem = path + L":" + decimalText(number) + L": " + line.problem;
            return result;
        }
        if (!line.option.empty()) result.options.push_back(std::move(line.option));
    }
    return result;
}

std::wstring heapShareOption(int percent, uint16_t vmMajorVersion, bool vm32Bit, uint64_t physicalMemory) {
    if (vmMajorVersion >= 10) return L"-XX:MaxRAMPercentage=" + decimalText(static_cast<int32_t>(percent));
    uint64_t bytes = physicalMemory * static_cast<uint64_t>(percent) / 100;
    if (vm32Bit && bytes > kMaxHeap32Bit) bytes = kMaxHeap32Bit;
    bytes -= bytes % (1024 * 1024);  // whole megabytes, as the VM rounds anyway
    if (bytes == 0) return {};
    return L"-Xmx" + decimalText(static_cast<int64_t>(bytes));
}

bool setsMaximumHeap(const std::vector<std::wstring>& options) {
    for (const auto& option : options)
        if (startsWith(option, L"-Xmx") || startsWith(option, L"-XX:MaxHeapSize=") ||
            startsWith(option, L"-XX:MaxRAMPercentage=") || startsWith(option, L"-XX:MaxRAM="))
            return true;
    return false;
}

namespace {

// The per-user options file: nothing when it is missing; raises when it cannot be read or
// holds a malformed line.
std::vector<std::wstring> readUserOptions(const std::wstring& relative) {
    std::wstring folder = environmentValue(L"APPDATA");
    if (folder.empty()) {
        trail(L"user options: APPDATA is not set, no file read");
        return {};
    }
    if (folder.back() != L'\\') folder += L'\\';
    const std::wstring path = collapseSeparators(folder + relative);  // the .kiv may double its backslashes
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            trail(L"user options: " + path + L" not found");
            return {};
        }
        throw FileException(path, L"could not read the user options file", error);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) throw FileException(path, L"could not read the user options file", ::GetLastError());
    if (size.QuadPart > kUserOptionsMaxBytes)
        throw TerminalError(path + L": the user options file is larger than " + decimalText(static_cast<int32_t>(kUserOptionsMaxBytes / 1024)) +
                            L" KiB; it holds one JVM option per line");
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        throw FileException(path, L"could not read the user options file", ::GetLastError());
    bytes.resize(got);
    UserOptions parsed = parseUserOptionsText(bytes, path);
    if (!parsed.problem.empty()) {
        trail(L"user options: " + parsed.problem);
        throw TerminalError(parsed.problem);
    }
    trail(L"user options: read " + path + L", " + decimalText(parsed.options.size()) + L" options");
    return parsed.options;
}

}  // namespace

std::wstring neededJavaText(std::wstring_view vmList) {
    std::wstring_view entry = trimmed(vmList);
    if (entry.empty() || entry.find(L' ') != std::wstring_view::npos) return L"Java";
    if (size_t kind = entry.rfind(L'_'); kind != std::wstring_view::npos) entry.remove_prefix(kind + 1);
    const wchar_t suffix = entry.back() == L'+' || entry.back() == L'*' ? entry.back() : 0;
    if (suffix) entry.remove_suffix(1);
    if (entry.empty() || entry.find_first_not_of(L"0123456789.") != std::wstring_view::npos || entry[0] == L'.')
        return L"Java";
    // "17+" rather than words: it goes into the message in each of its languages.
    return L"Java " + std::wstring(entry) + (suffix == L'+' ? L"+" : L"");
}

bool isWebPage(std::wstring_view page) {
    const std::wstring lowered = asciiLower(page.substr(0, 8));
    if (lowered.rfind(L"http://", 0) != 0 && lowered.rfind(L"https://", 0) != 0) return false;
    for (wchar_t c : page)
        if (c <= 0x20 || c == 0x7F) return false;
    return page.size() > (lowered[4] == L's' ? 8u : 7u);
}

void throwNoValidVm(const PropertySet& kiv) {
    const std::wstring page = kiv.getProperty(L"kiv.java.download.page");
    if (page.empty()) throw NoValidVmError(message(kMsgNoValidVm));
    if (!isWebPage(page)) {
        trail(L"kiv.java.download.page=" + page + L" is no http or https address: not offered");
        throw NoValidVmError(message(kMsgNoValidVm));
    }
    std::wstring needed = message(kMsgJavaNeeded);
    const std::wstring java = neededJavaText(kiv.getProperty(L"kiv.nl.valid.vm.list"));
    if (size_t at = needed.find(L"%1"); at != std::wstring::npos) needed.replace(at, 2, java);
    if (size_t at = needed.find(L"%2"); at != std::wstring::npos) needed.replace(at, 2, page);
    throw NoValidVmError(message(kMsgNoValidVm) + L"\n\n" + needed, page);
}

void applyHeapShare(const PropertySet& kiv, const VmRecord& vm, LaunchOptions& options) {
    if (!kiv.contains(L"kiv.nl.java.option.java.heap.percent")) return;
    const int32_t percent = kiv.getInteger(L"kiv.nl.java.option.java.heap.percent", L"0");
    if (percent < 1 || percent > 90) {
        trail(L"heap share: " + decimalText(percent) + L" % is outside 1 to 90, not applied");
        return;
    }
    if (options.heapMax > 0 || setsMaximumHeap(splitArgumentText(options.additionalOptions))) {
        trail(L"heap share: an explicit maximum heap wins");
        return;
    }
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    const uint64_t physical = ::GlobalMemoryStatusEx(&memory) ? memory.ullTotalPhys : 0;
    const bool vm32Bit = peImageBitness(vm.executablePath()) == 1;
    const std::wstring option = heapShareOption(percent, vm.version.major, vm32Bit, physical);
    if (option.empty()) return;
    trail(L"heap share: " + option);
    options.additionalOptions = options.additionalOptions.empty() ? option : option + L" " + options.additionalOptions;
}

void applySplash(const PropertySet& kiv, const std::wstring& kivDirectory, const VmRecord& vm, LaunchOptions& options) {
    const std::wstring image = kiv.getProperty(L"kiv.splash");
    if (image.empty()) return;
    if (vm.version.major < 6) {
        trail(L"splash: the VM is older than Java 6, which shows none");
        return;
    }
    const std::wstring path = collapseSeparators(fullPathIn(kivDirectory, image, true));
    if (!isFile(path)) {
        trail(L"splash: " + path + L" not found, none shown");
        return;
    }
    const std::wstring option = quoteArgument(L"-splash:" + path);
    trail(L"splash: " + option);
    options.additionalOptions = options.additionalOptions.empty() ? option : option + L" " + options.additionalOptions;
}

void applyNativeAppKeys(const RunContext& context, LaunchOptions& options) {
    const PropertySet& p = context.appProperties;
    options.appUserModelId = p.getProperty(L"kiv.application.id");
    if (!options.appUserModelId.empty()) trail(L"application ID: " + options.appUserModelId);
    const std::wstring relative = p.getProperty(L"kiv.user.options");
    if (relative.empty()) return;
    for (const auto& option : readUserOptions(relative)) {
        if (!options.additionalOptions.empty()) options.additionalOptions += L' ';
        options.additionalOptions += quoteArgument(option);
    }
}

}  // namespace velmora::launcher

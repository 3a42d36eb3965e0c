#include "launcher/vm/vm_validation.h"

#include "common/decimal_text.h"
#include "common/text_convert.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm_process.h"

namespace velmora::launcher {
namespace {

std::wstring_view trimmed(std::wstring_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] <= L' ') ++begin;
    while (end > begin && text[end - 1] <= L' ') --end;
    return text.substr(begin, end - begin);
}

bool endsWith(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

bool matchPropertyValue(std::wstring_view actual, std::wstring_view expected) {
    if (expected == L"*") return true;
    if (endsWith(expected, L"*")) return actual.substr(0, expected.find(L'*')) == expected.substr(0, expected.find(L'*'));
    if (endsWith(expected, L"...")) {
        size_t end = expected.find_last_not_of(L'.');
        std::wstring_view prefix = end == std::wstring_view::npos ? std::wstring_view() : expected.substr(0, end + 1);
        return actual.substr(0, prefix.size()) == prefix;
    }
    return actual == expected;
}

bool checkVerifyOutput(std::string_view outputBytes, const PropertyChecks& checks, std::wstring* failure) {
    auto refuse = [failure](std::wstring why) {
        if (failure) *failure = std::move(why);
        return false;
    };
    std::wstring decoded = utf8ToWide(outputBytes);
    std::wstring_view text = trimmed(decoded);
    if (text.empty()) return refuse(L"Verify printed nothing");
    size_t headerEnd = text.find(L'\n');
    if (headerEnd == std::wstring_view::npos || headerEnd == 0) return refuse(L"Verify printed a header line alone");
    std::wstring_view rest = trimmed(text.substr(headerEnd + 1));
    for (const auto& [name, expected] : checks) {
        size_t lineEnd = rest.find(L'\n');
        std::wstring_view line = lineEnd == std::wstring_view::npos ? rest : rest.substr(0, lineEnd);
        if (!matchPropertyValue(line, expected))
            return refuse(name + L" is \"" + std::wstring(line) + L"\", expected \"" + expected + L"\"");
        if (lineEnd != std::wstring_view::npos) rest = trimmed(rest.substr(lineEnd + 1));
    }
    return true;
}

std::wstring verifyCommandLine(const std::wstring& executable, const std::wstring& archive, const PropertyChecks& checks) {
    std::wstring line = L"\"" + executable + L"\" -classpath \"" + archive + L"\" Verify";
    for (const auto& check : checks) line += L" " + check.first;
    return line;
}

std::wstring verifyArchivePath(const std::wstring& specDirectory) {
    std::wstring archive = normalisePath(specDirectory + L"\\Verify.jar");
    if (!exists(archive) && !endsWith(specDirectory, L"jvmspecs") && !endsWith(specDirectory, L"jvmspecs\\"))
        archive = normalisePath(specDirectory + L"\\jvmspecs\\Verify.jar");
    if (!isFile(archive)) return {};
    return archive;
}

bool runVerify(const std::wstring& specDirectory, const std::wstring& executable, const PropertyChecks& checks,
               std::wstring* failure) {
    std::wstring archive = verifyArchivePath(specDirectory);
    if (archive.empty()) {
        if (failure) *failure = L"no Verify.jar in " + specDirectory + L" or its jvmspecs folder";
        return false;
    }
    CapturedRun run = captureProcessOutput(verifyCommandLine(executable, archive, checks),
                                           fullPath(specDirectory, false), kVerifyTimeoutMs);
    if (!run.started || !run.finished) {
        if (failure)
            *failure = !run.started ? L"Verify could not be started"
                                    : L"Verify did not end within " + decimalText(kVerifyTimeoutMs) + L" ms";
        return false;
    }
    return checkVerifyOutput(run.output, checks, failure);
}

bool runValidatorClass(const VmRecord& record, const std::wstring& argument) {
    LaunchOptions options;
    options.mainClass = kValidatorClass;
    options.classPath = record.launchOptions.classPath;
    options.programArguments = {L"1", argument};
    int64_t exitCode = -1;
    try {
        UniqueKernelHandle process = record.launch(options, true);
        DWORD code = 0;
        if (::GetExitCodeProcess(process.get(), &code)) exitCode = code;
        if (trailEnabled())
            trail(L"the validator class with argument " + argument + L" on " + nameVm(record) +
                  L" ended with exit code " +
                  (exitCode < 0 ? std::wstring(L"unknown") : decimalText(static_cast<int32_t>(code))));
    } catch (const std::exception&) {
        exitCode = -1;  // a start failure is no match
        if (trailEnabled())
            trail(L"the validator class with argument " + argument + L" on " + nameVm(record) +
                  L" could not be started");
    }
    return exitCode == 0;
}

}  // namespace velmora::launcher

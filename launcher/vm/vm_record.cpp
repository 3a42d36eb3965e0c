#include "launcher/vm/vm_record.h"

#include <windows.h>

#include "common/text_convert.h"
#include "file_rules/path_text.h"
#include "launcher/file_system.h"
#include "launcher/file_version.h"
#include "launcher/java_command_line.h"
#include "launcher/launcher_errors.h"
#include "launcher/message_table.h"
#include "launcher/properties/runtime_properties_file.h"
#include "launcher/vm_process.h"
#include "launcher/windowed_mode.h"

namespace velmora::launcher {

UniqueKernelHandle VmRecord::launch(const LaunchOptions& options, bool wait) const {
    return startVmProcess(composeCommandLine(options), options, wait);
}

std::wstring standardExecutablePath(const std::wstring& home, bool (*fileExists)(const std::wstring&)) {
    std::wstring last = fileNameOf(home, true);
    // A java.exe copied into the Windows system directory has no bin folder of its own.
    std::wstring candidate = collapseSeparators(last == L"system32" || last == L"syswow64" ? home + L"\\java.exe"
                                                                                        : home + L"\\bin\\java.exe");
    if (fileExists(candidate)) return candidate;
    // A runtime that ships only the windowed VM is started by it rather than not at all.
    std::wstring windowed = candidate.substr(0, candidate.size() - 8) + L"javaw.exe";
    if (fileExists(windowed)) return windowed;
    return collapseSeparators(home + L"\\java.exe");
}

std::wstring StandardVm::executablePath() const {
    return longForm(standardExecutablePath(home, [](const std::wstring& p) { return exists(longForm(p)); }));
}

std::wstring StandardVm::composeCommandLine(const LaunchOptions& options) const {
    // The windowed launcher starts javaw.exe, one letter longer, where the VM has one.
    const size_t room = kCommandLineLimit - (windowedMode() ? 1 : 0);
    StandardLaunch launch = fitStandardCommandLine(executablePath(), version.major, options, argumentFilePath(), room);
    if (!launch.refusal.empty()) throw TerminalError(launch.refusal);
    if (!launch.fileArguments.empty()) writeArgumentFile(launch.fileArguments);
    return launch.line;
}

std::wstring ClassicVm::executablePath() const {
    std::wstring jre = home + L"\\bin\\jre.exe";
    return exists(jre) ? jre : home + L"\\bin\\java.exe";
}

std::wstring ClassicVm::composeCommandLine(const LaunchOptions& options) const {
    return composeClassicCommandLine(executablePath(), home, options);
}

MicrosoftVm::MicrosoftVm() {
    vendor = L"Microsoft";
    version = VmVersion{1, 4, 0};
    kind = VmKind::MSJ;
}

std::wstring MicrosoftVm::executablePath() const { return home + L"\\jview.exe"; }

std::wstring MicrosoftVm::composeCommandLine(const LaunchOptions& options) const {
    FileVersion jview(home + L"\\jview.exe");
    auto product = jview.get();
    int32_t build = product ? product->build : 0;
    if (build < options.microsoftVmMinVersion) throw NoValidVmError(message(kMsgNoValidVm));
    ::SetEnvironmentVariableW(L"CLASSPATH", joinClassPath(options.classPath).c_str());
    return composeMicrosoftCommandLine(home, options);
}

std::unique_ptr<VmRecord> recordForMajor(uint16_t major) {
    if (major > 1) return std::make_unique<StandardVm>();
    return std::make_unique<ClassicVm>();
}

}  // namespace velmora::launcher

#include "launcher/java_command_line.h"

#include "common/argument_quoting.h"
#include "common/decimal_text.h"
#include "file_rules/path_text.h"
#include "launcher/launch_options.h"

namespace velmora::launcher {
namespace {

std::wstring quote(const std::wstring& text) { return L"\"" + text + L"\""; }

// With plain arguments the property files go before the main class as system properties
// (`definePrefix` is the VM's way to set one) and the arguments follow it alone.
std::wstring programPart(const LaunchOptions& options, const wchar_t* definePrefix) {
    if (!options.plainArguments) return L" " + options.mainClass + L" " + formatProgramArguments(options);
    std::wstring part;
    const wchar_t* names[] = {kKivFileProperty, kRuntimeFileProperty};
    for (size_t i = 0; i < options.propertyFiles.size() && i < 2; ++i)
        part += L" " + velmora::quoteArgument(definePrefix + std::wstring(names[i]) + L"=" + options.propertyFiles[i]);
    part += L" " + options.mainClass;
    if (!options.programArguments.empty()) part += L" " + formatProgramArguments(options);
    return part;
}

}  // namespace

std::wstring joinClassPath(const std::vector<std::wstring>& entries) {
    std::wstring joined;
    for (const auto& entry : entries) joined += entry + L";";
    return joined;
}

std::wstring formatProgramArguments(const LaunchOptions& options) {
    if (options.plainArguments) return velmora::joinArguments(options.programArguments);
    std::wstring text;
    for (std::wstring file : options.propertyFiles) {
        for (auto& c : file)
            if (c == L'\\') c = L'/';
        text += quote(file) + L" ";
    }
    bool first = true;
    for (const auto& argument : options.programArguments) {
        std::wstring doubled;
        for (wchar_t c : argument) {
            doubled += c;
            if (c == L'\\') doubled += c;
        }
        if (doubled.find(L' ') != std::wstring::npos) doubled = quote(doubled);
        if (!first) text += L" ";
        text += doubled;
        first = false;
    }
    return text;
}

namespace {

// The options the launcher itself sets for a standard VM, one argument each.
std::vector<std::wstring> standardOwnOptions(uint16_t majorVersion, const LaunchOptions& options) {
    std::vector<std::wstring> own;
    if (majorVersion >= 9) own = {L"--add-opens", L"java.base/jdk.internal.loader=ALL-UNNAMED", L"-Dsun.java2d.uiScale.enabled=false"};
    if (options.heapInitial > 0) own.push_back(L"-Xms" + decimalText(options.heapInitial));
    if (options.heapMax > 0) own.push_back(L"-Xmx" + decimalText(options.heapMax));
    if (options.verbose) own.push_back(options.verboseKind.empty() ? L"-verbose" : L"-verbose:" + options.verboseKind);
    if (options.debugging) own.push_back(L"-Xdebug");
    if (options.gcBackgroundThread) own.push_back(L"-Xnoasyncgc");
    if (options.compilerOff) own.push_back(L"-Djava.compiler=off");
    if (!options.gcExtent.empty()) own.push_back(L"-Xnoclassgc");
    return own;
}

// The VM options as the line carries them, each after one space; the additional options as written.
std::wstring standardOptionText(uint16_t majorVersion, const LaunchOptions& options) {
    std::wstring text;
    for (const auto& option : standardOwnOptions(majorVersion, options)) text += L" " + option;
    if (!options.additionalOptions.empty()) text += L" " + options.additionalOptions;
    return text;
}

}  // namespace

std::wstring composeStandardCommandLine(const std::wstring& executable, uint16_t majorVersion,
                                        const LaunchOptions& options) {
    return quote(executable) + standardOptionText(majorVersion, options) + L" -classpath " +
           quote(joinClassPath(options.classPath)) + programPart(options, L"-D");
}

StandardLaunch fitStandardCommandLine(const std::wstring& executable, uint16_t majorVersion, const LaunchOptions& options,
                                      const std::wstring& argumentFile, size_t room) {
    StandardLaunch launch{composeStandardCommandLine(executable, majorVersion, options), {}, {}};
    if (launch.line.size() < room) return launch;
    if (majorVersion < 9) {
        launch.refusal = overlongCommandLineText(launch.line.size(), L"VMs before version 9 take no argument file");
        return launch;
    }
    const std::wstring fileArgument = L" " + velmora::quoteArgument(L"@" + argumentFile);
    // First the class path alone goes to the file.
    launch.fileArguments = {L"-classpath", joinClassPath(options.classPath)};
    launch.line = quote(executable) + standardOptionText(majorVersion, options) + fileArgument +
                  programPart(options, L"-D");
    if (launch.line.size() < room) return launch;
    // Then every option before the main class. The VM reads no argument file named inside
    // one, nor any after --disable-@files: with such options the file cannot take them.
    std::vector<std::wstring> additional = splitArgumentText(options.additionalOptions);
    for (const auto& option : additional)
        if (option.starts_with(L"@") || option == L"--disable-@files") {
            launch.refusal = overlongCommandLineText(
                launch.line.size(), L"kiv.nl.java.option.additional names an argument file of its own or turns them off");
            return launch;
        }
    std::vector<std::wstring> all = standardOwnOptions(majorVersion, options);
    all.insert(all.end(), additional.begin(), additional.end());
    all.insert(all.end(), launch.fileArguments.begin(), launch.fileArguments.end());
    LaunchOptions programOnly = options;
    if (options.plainArguments) {
        const wchar_t* names[] = {kKivFileProperty, kRuntimeFileProperty};
        for (size_t i = 0; i < options.propertyFiles.size() && i < 2; ++i)
            all.push_back(L"-D" + std::wstring(names[i]) + L"=" + options.propertyFiles[i]);
        programOnly.propertyFiles.clear();
    }
    launch.fileArguments = std::move(all);
    launch.line = quote(executable) + fileArgument + programPart(programOnly, L"-D");
    if (launch.line.size() >= room)
        launch.refusal = overlongCommandLineText(launch.line.size(), L"the main class and the program's arguments alone are too long");
    return launch;
}

std::wstring overlongCommandLineText(size_t length, const std::wstring& reason) {
    return L"the Java command line would be " + decimalText(static_cast<uint64_t>(length)) +
           L" characters long; Windows starts no program with more than " + decimalText(static_cast<uint64_t>(kCommandLineLimit - 1)) +
           L" (" + decimalText(static_cast<uint64_t>(kCommandLineLimit)) + L" with the terminating zero): " + reason;
}

std::wstring composeClassicCommandLine(const std::wstring& executable, const std::wstring& home,
                                       LaunchOptions options) {
    options.classPath.push_back(home + L"\\lib\\classes.zip");
    std::wstring line = quote(executable);
    if (options.heapInitial > 0) line += L" -ms" + decimalText(options.heapInitial);
    if (options.heapMax > 0) line += L" -mx" + decimalText(options.heapMax);
    if (options.verbose) line += L" -verbose";
    if (options.debugging) line += L" -debug";
    if (options.gcBackgroundThread) line += L" -noasyncgc";
    if (options.compilerOff) line += L" -nojit";
    if (!options.gcExtent.empty()) line += L" -noclassgc";
    if (!options.additionalOptions.empty()) line += L" " + options.additionalOptions;
    std::wstring name = fileNameOf(executable, true);
    line += (name == L"jre.exe" || name == L"jrew.exe") ? L" -cp" : L" -classpath";
    line += L" " + quote(joinClassPath(options.classPath));
    return line + programPart(options, L"-D");
}

std::wstring composeMicrosoftCommandLine(const std::wstring& home, const LaunchOptions& options) {
    return quote(home + L"\\jview.exe") + L" /cp " + quote(joinClassPath(options.classPath)) + programPart(options, L"/d:");
}

}  // namespace velmora::launcher

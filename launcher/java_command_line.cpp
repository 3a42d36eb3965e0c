#include "launcher/java_command_line.h"

#include "common/argument_quoting.h"
#include "common/decimal_text.h"
#include "file_rules/path_text.h"

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

std::wstring composeStandardCommandLine(const std::wstring& executable, uint16_t majorVersion,
                                        const LaunchOptions& options) {
    std::wstring line = quote(executable);
    if (majorVersion >= 9)
        line += L" --add-opens java.base/jdk.internal.loader=ALL-UNNAMED -Dsun.java2d.uiScale.enabled=false";
    if (options.heapInitial > 0) line += L" -Xms" + decimalText(options.heapInitial);
    if (options.heapMax > 0) line += L" -Xmx" + decimalText(options.heapMax);
    if (options.verbose) {
        line += L" -verbose";
        if (!options.verboseKind.empty()) line += L":" + options.verboseKind;
    }
    if (options.debugging) line += L" -Xdebug";
    if (options.gcBackgroundThread) line += L" -Xnoasyncgc";
    if (options.compilerOff) line += L" -Djava.compiler=off";
    if (!options.gcExtent.empty()) line += L" -Xnoclassgc";
    if (!options.additionalOptions.empty()) line += L" " + options.additionalOptions;
    line += L" -classpath " + quote(joinClassPath(options.classPath));
    return line + programPart(options, L"-D");
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

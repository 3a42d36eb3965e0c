#include "launcher/launch_options.h"

#include "common/command_line_split.h"
#include "common/text_convert.h"
#include "file_rules/list_split.h"
#include "file_rules/path_text.h"
#include "launcher/console_service.h"
#include "launcher/environment_snapshot.h"
#include "launcher/file_system.h"
#include "launcher/native_app.h"
#include "launcher/properties/class_path_property.h"
#include "launcher/properties/runtime_properties_file.h"

#include <windows.h>

namespace velmora::launcher {

Verbosity parseVerbosity(std::wstring_view value) {
    Verbosity result;
    if (value.empty()) return result;
    std::wstring lowered = asciiLower(value);
    if (lowered == L"normal" || lowered == L"all") {
        result.verbose = true;
    } else if (lowered == L"gc" || lowered == L"class") {
        result.verbose = true;
        result.kind = lowered;
    } else if (lowered != L"none") {
        result.invalid = true;
    }
    return result;
}

std::vector<std::wstring> resolveClassPath(const std::wstring& classPathText, const std::wstring& folder) {
    std::vector<std::wstring> entries;
    for (const auto& piece : splitList(classPathText, L';')) {
        std::wstring entry = normalisePath(piece);
        // A leading separator gives the empty entry, which stands for the .kiv directory.
        entries.push_back(fullPathIn(folder, isAbsolute(entry) ? entry : L".\\" + entry, false));
    }
    return entries;
}

std::vector<std::wstring> splitArgumentText(const std::wstring& text) {
    std::vector<std::wstring> arguments;
    if (text.find_first_not_of(L" \t") == std::wstring::npos) return arguments;
    // The system's rules treat the first item as a program path: a stand-in takes its place.
    arguments = splitCommandLine(L"x " + text);
    arguments.erase(arguments.begin());
    return arguments;
}

LaunchOptions buildLaunchOptions(const RunContext& context) {
    const PropertySet& p = context.appProperties;
    LaunchOptions options;

    std::wstring userDir = p.getProperty(L"kiv.user.dir");
    if (!userDir.empty()) {
        options.workingDirectory = fullPathIn(context.kivDirectory, userDir, true);
        if (!isAbsolute(options.workingDirectory)) options.workingDirectory = L".\\" + options.workingDirectory;
    } else {
        options.workingDirectory = context.startDirectory;
    }

    writeEnvironmentLines();

    options.mainClass = p.getProperty(L"kiv.nl.java.launcher.main.class");
    options.additionalOptions = p.getProperty(L"kiv.nl.java.option.additional");
    options.heapInitial = p.getByteSize(L"kiv.nl.java.option.java.heap.size.initial", L"0");
    options.heapMax = p.getByteSize(L"kiv.nl.java.option.java.heap.size.max", L"0");
    options.gcExtent = p.getProperty(L"kiv.nl.java.option.garbage.collection.extent");
    options.verifyMode = p.getFlag(L"kiv.nl.java.option.verify.mode");
    options.gcBackgroundThread = p.getFlag(L"kiv.nl.java.option.garbage.collection.background.thread");
    options.debugging = p.getFlag(L"kiv.nl.java.option.debugging");
    options.compilerOff = p.getFlag(L"kiv.nl.java.option.compiler");
    options.microsoftVmMinVersion = p.getInteger(L"kiv.nl.win32.microsoftvm.min.version", L"0");

    options.propertyFiles.push_back(fullPathIn(context.kivDirectory, context.kivPath, true));
    options.propertyFiles.push_back(runtimePropertiesPath());

    std::wstring verboseValue = p.getProperty(L"kiv.nl.java.option.verbose");
    Verbosity verbosity = parseVerbosity(verboseValue);
    if (verbosity.invalid)
        writeStandardText(STD_ERROR_HANDLE,
                          L"invalid verbosity selection '" + asciiLower(verboseValue) + L"', disabling verbosity.\n");
    options.verbose = verbosity.verbose;
    options.verboseKind = verbosity.kind;

    if (context.reducesSignals) options.additionalOptions += L" -Xrs";
    applyNativeAppKeys(context, options);

    options.classPath = resolveClassPath(getClassPath(p), context.kivDirectory);

    options.plainArguments = p.getFlag(L"kiv.nl.java.arguments.plain");
    const auto& arguments = context.commandLine.arguments;
    if (options.plainArguments) {
        options.programArguments = splitArgumentText(p.getProperty(L"kiv.nl.java.arguments.fixed"));
        for (auto& argument : plainProgramArguments(context.commandLine.systemArguments))
            options.programArguments.push_back(std::move(argument));
    } else if (arguments.size() > 1) options.programArguments.assign(arguments.begin() + 1, arguments.end());
    return options;
}

}  // namespace velmora::launcher

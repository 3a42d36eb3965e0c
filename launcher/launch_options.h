#pragma once
// What the properties and the command line say about how the Java process is started.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/run_context.h"

namespace velmora::launcher {

struct LaunchOptions {
    std::wstring mainClass;
    std::wstring gcExtent;
    std::wstring additionalOptions;
    std::wstring verboseKind;  // "gc", "class" or empty
    std::wstring workingDirectory;
    std::vector<std::wstring> classPath;
    std::vector<std::wstring> programArguments;
    std::vector<std::wstring> propertyFiles;  // the .kiv file, then the scratch file
    int32_t microsoftVmMinVersion = 0;
    int64_t heapInitial = 0;  // bytes; 64-bit so that heaps of 2 GiB and more survive
    int64_t heapMax = 0;
    bool verifyMode = false;
    bool verbose = false;
    bool debugging = false;
    bool gcBackgroundThread = false;
    bool compilerOff = false;
    // The program gets the user's arguments only, quoted so that they arrive unchanged; the
    // property files reach it as system properties.
    bool plainArguments = false;
    std::wstring appUserModelId;  // the VM's windows group under it; empty: the system decides
};

// The system properties that name the property files when arguments are plain.
inline constexpr wchar_t kKivFileProperty[] = L"kiv.file";
inline constexpr wchar_t kRuntimeFileProperty[] = L"kiv.runtime.file";

struct Verbosity {
    bool verbose = false;
    std::wstring kind;
    bool invalid = false;  // the value named no known verbosity
};

// kiv.nl.java.option.verbose as written in the properties.
Verbosity parseVerbosity(std::wstring_view value);

// Once per run, before the VM is chosen; also writes the environment lines to the scratch
// properties file.
LaunchOptions buildLaunchOptions(const RunContext& context);

// Arguments written as on a command line, split as the system splits one.
std::vector<std::wstring> splitArgumentText(const std::wstring& text);

// kiv.class.path (already substituted) split and resolved against `folder` (the .kiv file's).
std::vector<std::wstring> resolveClassPath(const std::wstring& classPathText, const std::wstring& folder);

}  // namespace velmora::launcher

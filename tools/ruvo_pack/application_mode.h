#pragma once
// Application mode: an installer from a jar and a folder of dependencies in one command. The
// options, and the texts derived from them (the .kiv file, the valid-VM list), as pure
// functions; application_pack.cpp lays out the payload and packs it.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/ruvo_pack/branding_options.h"
#include "tools/ruvo_pack/native_app_options.h"
#include "tools/ruvo_pack/install_options.h"

namespace ruvo_pack {

struct ApplicationOptions {
    std::string input;     // --input DIR
    std::string mainJar;   // --main-jar, relative to the input folder
    std::string mainClass; // --main-class; empty: the main jar's manifest decides
    std::string output;    // --out; empty: NAME.exe in the current folder
    std::vector<std::string> javaOptions;  // --java-options, each split into options
    std::vector<std::string> arguments;    // --arguments, each split into arguments
    std::string runtimeImage;              // --runtime-image DIR
    std::string javaVersion;               // --java-version VERSION
    std::string keepPayload;               // --keep-payload DIR
    std::string stub;                      // --stub; empty: the shipped ruvo.exe
    std::string launcherFolder;            // --launcher-dir; empty: beside the shipped stub
    bool windowed = false;                 // --no-console
    int level = 6;
    BrandingOptions branding;              // --name is required
    NativeAppOptions native;
    InstallOptions install;                // --type and what an installing installer does
};

struct ApplicationRequest {
    ApplicationOptions options;
    bool help = false;
    std::string error;  // one line; non-empty refuses the request
};

// Whether the arguments ask for application mode: --input or --main-jar among them.
bool isApplicationMode(const std::vector<std::string>& arguments);

// The arguments of one @FILE: one option per line, its value after a space (quotes keep spaces
// together, as on a command line); blank lines and lines starting with '#' are skipped.
std::vector<std::string> argumentFileTokens(std::string_view text);

// Every @FILE replaced by the arguments it holds; false with a line naming an unreadable file.
bool expandArgumentFiles(const std::vector<std::string>& arguments, std::vector<std::string>& expanded,
                         std::string& error);

ApplicationRequest parseApplicationArguments(const std::vector<std::string>& arguments);
std::string applicationUsageText();

// A text of options as jpackage splits --java-options and --arguments: at spaces, except
// inside double or single quotes, which are removed.
std::vector<std::string> splitOptionText(std::string_view text);

// The Main-Class of a manifest's main section; nullopt when it names none.
std::optional<std::string> manifestMainClass(std::string_view manifest);
// Any attribute of the main section, by its name in lower case; nullopt when absent or empty.
std::optional<std::string> manifestAttribute(std::string_view manifest, std::string_view lowerName);

// --java-version as a valid-VM list: "17+" (17 or later), "17" or "17*" (any 17.x), "1.8",
// "11.0.2" (that version). False with the reason for anything else.
bool validVmListOf(const std::string& javaVersion, std::string& list, std::string& error);

// What the generated .kiv file says.
struct ApplicationKiv {
    std::string name;
    std::string mainClass;
    std::vector<std::string> classPath;  // folder-relative, '/'-separated; the main jar first
    std::vector<std::string> javaOptions;
    std::vector<std::string> arguments;
    std::string currentVm;  // folder-relative VM program, or empty
    std::string vmList;     // used when currentVm is empty
    // The launcher's byte sizes; empty lines when not given, for the installer's -jvmxms and
    // -jvmxmx to replace.
    std::string heapInitial, heapMax;
    std::string extraLines;  // further keys, each line LF-ended, written last
    std::string applicationId;  // kiv.application.id, when not empty
    bool installed = false;     // starts in the folder it is started from, not its own
    bool cleanup = false;       // the unpacked folder goes when the program ends
};

// The .kiv text (LF lines, values escaped as the launcher's reader decodes them).
std::string applicationKivText(const ApplicationKiv& kiv);

// A value for a properties line: backslashes doubled, characters outside printable ASCII and a
// leading space as \uXXXX. `utf8` must be valid UTF-8.
std::string escapedKivValue(std::string_view utf8);

}  // namespace ruvo_pack

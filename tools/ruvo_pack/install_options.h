#pragma once
// Application mode's output types and the options of an installer that installs: parsed and
// judged here, and written as the setup engine's settings file (setup.settings), which the
// folder check reads back by the same rules.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo_pack {

enum class OutputType { Install, Run };
enum class InstallScope { User, Machine };

struct FileAssociation {
    std::string extension;    // with its dot, as given in letter case
    std::string description;  // may be empty
    bool operator==(const FileAssociation&) const = default;
};

struct InstallOptions {
    OutputType type = OutputType::Install;  // --type install|run
    std::string appId;                      // --app-id; empty: derived from the vendor and the name
    InstallScope scope = InstallScope::User;  // --scope user|machine
    bool desktopShortcut = false;           // --desktop-shortcut
    bool startMenu = true;                  // --no-start-menu
    bool launchAfterInstall = true;         // --no-launch
    std::vector<FileAssociation> associations;  // --file-association EXT[=DESCRIPTION], repeatable
    std::string installingOnly;  // the first option given that only an installing installer honours
};

// When arguments[i] is one of these options, takes it and its value (advancing i) and returns
// true; `error` is set for a missing or malformed value. False for any other argument.
bool takeInstallOption(const std::vector<std::string>& arguments, size_t& i, InstallOptions& options,
                       std::string& error);

// Why `id` is no application id (1 to 128 of A-Z a-z 0-9 . _ -, no dot first or last);
// empty when it is one.
std::string appIdProblem(std::string_view id);

// The default id: "<Vendor>.<Name>" with every character outside A-Z a-z 0-9 dropped from each
// part ("<Name>" without a vendor, or when nothing of the vendor is left). Empty when nothing
// of the name is left.
std::string defaultAppId(const std::string& name, const std::optional<std::string>& vendor);

// "EXT[=DESCRIPTION]" as an association; false with the reason.
bool parseFileAssociation(const std::string& value, FileAssociation& association, std::string& error);

// A name the setup engine writes into the install folder itself (its uninstaller and lists),
// in any letter case: the application may not use it at its top level.
bool isEngineFileName(std::string_view name);

// Why `name` cannot name an installed application's folder and shortcut; empty when it can.
std::string installedNameProblem(const std::string& name);

// What setup.settings says.
struct SetupSettings {
    std::string appId, name, version, vendor, launcher;
    InstallOptions options;
};

std::string setupSettingsText(const SetupSettings& settings);

// What is wrong with a settings file, by the engine's reading: each problem with its line (0:
// the file as a whole). `launcher` gets app.launcher's value, for the caller to find the file.
struct SettingsProblem {
    int line = 0;
    bool error = true;  // false: a warning
    std::string text;
};
std::vector<SettingsProblem> checkSetupSettings(std::string_view text, std::string* launcher = nullptr);

std::string installUsageText();

}  // namespace ruvo_pack

#pragma once
// The engine's command line: the switches a user or a deployment tool gives, and those the
// engine gives itself (uninstall, the elevated run, the cleanup of ruvo's working folder).
#include <string>
#include <vector>

namespace quillsetup {

enum class SetupAction { Install, Uninstall, Cleanup };

struct SetupOptions {
    SetupAction action = SetupAction::Install;
    bool silent = false;   // -i silent: no window at all
    bool console = false;  // -i console: no window, lines on the console
    std::wstring installDir;
    bool elevated = false;  // this run was started elevated by a run that was not
    // Cleanup: the folder to remove once the processes behind the handles have ended; either
    // ruvo's working folder as a whole or an install folder's uninstaller and the folder if empty.
    std::wstring cleanupFolder;
    bool cleanupWholeTree = false;
    std::vector<unsigned long long> waitHandles;
};

// `arguments` without the program. On a problem returns false with one line in `problem`.
bool parseSetupOptions(const std::vector<std::wstring>& arguments, SetupOptions& out, std::string& problem);

// The switches of the elevated run this run starts: its own action, output mode and install
// folder (already made a full path, since the elevated run starts elsewhere), and --elevated.
std::wstring elevatedRunParameters(const SetupOptions& options, const std::wstring& fullInstallDir);

}  // namespace quillsetup

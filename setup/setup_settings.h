#pragma once
// The engine's settings file (setup.settings beside setup.exe): UTF-8 key=value lines written
// by the packer. Pure: bytes in, values out.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillsetup {

struct FileAssociation {
    std::wstring extension;  // with its dot: ".txt"
    std::wstring description;
};

struct SetupSettings {
    std::wstring appId;
    std::wstring name;
    std::wstring version;
    std::wstring vendor;
    std::wstring launcher;  // a file name inside the application's folder
    bool perMachine = false;
    bool startMenuShortcut = true;
    bool desktopShortcut = false;
    bool launchAfterInstall = true;
    std::vector<FileAssociation> associations;
};

// Four numbers, missing ones 0.
struct VersionNumber {
    uint16_t parts[4] = {0, 0, 0, 0};
};

// 1-4 dot-separated decimal numbers, each 0-65535.
bool parseVersionNumber(std::wstring_view text, VersionNumber& out);
// Negative, zero or positive as a is older than, equal to or newer than b.
int compareVersions(const VersionNumber& a, const VersionNumber& b);

// 1-128 characters of [A-Za-z0-9._-], no dot first or last.
bool isValidAppId(std::wstring_view id);
// A name that is one folder or file name on Windows: no separators, reserved characters or
// device names, not "." or "..", no trailing dot or space.
bool isPlainFileName(std::wstring_view name);

// Reads every line (comments, blank lines and unknown keys skipped; the last of a key given
// twice wins, associations add up) and checks the result. On a problem returns false with one
// line naming it in `problem`.
bool parseSetupSettings(std::string_view bytes, SetupSettings& out, std::string& problem);

// The settings as the packer writes them: what the uninstaller keeps beside itself.
std::string composeSetupSettings(const SetupSettings& settings);

}  // namespace quillsetup

#pragma once
// Installers laid out as ruvo leaves them (I<n>\Windows_Pure_64_Bit\setup.exe, setup.settings,
// app\..., sea_loc), the real engine run in them, and what an installed application leaves in
// the registry and the shell, read back.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace setup_test {

struct App {
    std::wstring id;
    std::wstring name;
    std::wstring vendor = L"Acme";
    bool perMachine = false;
    std::string extraSettings;  // more lines of setup.settings
    std::wstring launcher() const { return name + L".exe"; }
};

// A unique application per test: its id and name carry the test's name.
App uniqueApp(const std::wstring& stem);

struct WorkingFolder {
    std::wstring path;    // %TEMP%\I<n>
    std::wstring setup;   // ...\Windows_Pure_64_Bit\setup.exe
};

// app\ holds the launcher, lib\core-<version>.jar and lib\common.jar (its text names the version).
WorkingFolder layOut(const App& app, const std::wstring& version);

// Runs setup.exe from the working folder as ruvo does (current folder = the working folder).
velmora::test::ChildResult runSetup(const WorkingFolder& folder, const std::wstring& arguments,
                                    const velmora::test::ChildOptions& options = {});
// Lays out and runs; the exit code.
DWORD install(const App& app, const std::wstring& version, const std::wstring& arguments = L"-i silent");
// The uninstaller as Apps & features starts it (QuietUninstallString, or UninstallString).
velmora::test::ChildResult uninstall(const App& app, bool silent = true);

// True when the folder is gone within a few seconds (what the engine leaves is removed once it ends).
bool goneSoon(const std::wstring& path);

std::wstring userInstallFolder(const App& app);
std::wstring installFolder(const App& app);  // per user or per machine, as the app says
std::wstring uninstallKey(const App& app);
HKEY rootOf(const App& app);
// A registry value as text ("" when missing): REG_SZ as is, REG_DWORD in decimal.
std::wstring registryValue(HKEY root, const std::wstring& key, const std::wstring& name);
bool registryKeyExists(HKEY root, const std::wstring& key);
// The value as `reg query` prints it (type and data), empty when reg finds nothing.
std::string regQuery(const std::wstring& fullKey, const std::wstring& name);

std::wstring startMenuLink(const App& app);
std::wstring desktopLink(const App& app);
struct LinkInfo {
    bool read = false;
    std::wstring target, workingDirectory, iconPath, appUserModelId;
};
LinkInfo readLink(const std::wstring& path);

// Removes what a test left of the application: folder, entry, shortcuts, associations.
void forget(const App& app);

std::wstring shellFolder(const KNOWNFOLDERID& id);
std::string fileText(const std::wstring& path);  // "" when missing
bool exists(const std::wstring& path);

}  // namespace setup_test

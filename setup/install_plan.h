#pragma once
// What an install, upgrade or uninstall does to files and folders, decided without touching
// them: lists of relative paths in, lists out. Paths are relative to the install folder and
// use backslashes; Windows compares them without regard to case.
#include <string>
#include <string_view>
#include <vector>

namespace quillsetup {

// What the engine writes into the install folder beside the application.
inline constexpr const wchar_t* kUninstallerName = L"uninstall.exe";
inline constexpr const wchar_t* kUninstallSettingsName = L"uninstall.settings";
inline constexpr const wchar_t* kFileListName = L"uninstall.files";
// Names the user's files an upgrade carries over, while it runs.
inline constexpr const wchar_t* kCarriedJournalName = L"setup.carried";
// The folders an install works in, beside the install folder; what a killed run leaves is
// recognised by them.
inline constexpr const wchar_t* kNewFolderSuffix = L".setup-new";
inline constexpr const wchar_t* kOldFolderSuffix = L".setup-old";

bool samePath(std::wstring_view a, std::wstring_view b);

// The list of installed files, one relative path per line (UTF-8).
std::string composeFileList(const std::vector<std::wstring>& files);
// Lines that are empty, absolute or climb out of the folder are dropped: the uninstaller removes
// only what lies inside its folder.
std::vector<std::wstring> parseFileList(std::string_view bytes);
bool isSafeRelativePath(std::wstring_view path);
// A folder named in full: a drive and its root (C:\...) or a network share (\\server\share).
bool isFullPath(std::wstring_view path);

// The application's own name for one of the engine's files, which would be overwritten.
std::wstring clashWithBookkeeping(const std::vector<std::wstring>& newFiles);

// Files of the old folder the new one takes over: those the user added, i.e. neither listed as
// installed by the previous version nor shipped by this one, nor the engine's own.
std::vector<std::wstring> carriedOverFiles(const std::vector<std::wstring>& oldFolderFiles,
                                           const std::vector<std::wstring>& previouslyInstalled,
                                           const std::vector<std::wstring>& newFiles);

// The folders holding `files`, deepest first: what the uninstaller removes when they are empty.
std::vector<std::wstring> foldersOf(const std::vector<std::wstring>& files);

// Which of the working folders exist next to the install folder when a run starts.
struct FolderState {
    bool installed = false;  // the install folder
    bool pendingNew = false;  // <folder>.setup-new: a new version being put together
    bool pendingOld = false;  // <folder>.setup-old: the previous version being replaced
};
struct Recovery {
    bool restoreOld = false;    // rename .setup-old back to the install folder
    bool salvageNew = false;    // the user's files in .setup-new go back, then it goes
    bool salvageOld = false;    // the user's files in .setup-old go to the install folder, then it goes
};
// A killed run leaves the previous version installed: the new folder replaces the old only by
// two renames, and between them the old one is the one to put back.
Recovery recoveryFor(const FolderState& state);

enum class Outcome { Done, Cancelled, ElevationRefused, AnotherInstallRunning, ApplicationRunning, NewerInstalled, Failed };
int exitCodeOf(Outcome outcome);

}  // namespace quillsetup

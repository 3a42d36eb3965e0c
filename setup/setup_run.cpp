#include "setup/setup_run.h"

#include <shellapi.h>

#include <algorithm>

#include "common/argument_quoting.h"
#include "common/decimal_text.h"
#include "common/process_start.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "setup/file_tree.h"
#include "setup/install_plan.h"
#include "setup/leftover_removal.h"
#include "setup/registry_store.h"
#include "setup/resources/resource_ids.h"
#include "setup/setup_log.h"
#include "setup/setup_options.h"
#include "setup/setup_settings.h"
#include "setup/setup_window.h"
#include "setup/shell_links.h"
#include "setup/system_entries.h"

namespace quillsetup {
namespace {

// Everything one run needs to know and shows.
struct Run {
    HINSTANCE instance = nullptr;
    SetupOptions options;
    SetupSettings settings;
    std::wstring self;
    ProgressWindow window;
    std::wstring failure;  // the one line a failure leaves

    bool interactive() const { return !options.silent && !options.console; }
    HKEY root() const { return settings.perMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
    std::wstring text(UINT id, const std::wstring& detail = {}) const {
        return formatText(loadText(instance, id), settings.name, detail);
    }
    std::wstring title() const {
        return text(options.action == SetupAction::Uninstall ? IDS_UNINSTALL_TITLE : IDS_SETUP_TITLE);
    }

    Outcome fail(const std::wstring& line) {
        failure = line;
        logLine(L"Setup failed: " + line);
        return Outcome::Failed;
    }
    Outcome failWithError(const std::wstring& what, DWORD error) { return fail(what + L": " + errorText(error)); }
};

// The process's token is elevated (or UAC is off and it is an administrator's).
bool runsElevated() {
    velmora::UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive())) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

// This program again, elevated, with the same switches; its exit code.
Outcome runElevated(Run& run, DWORD& exitCode) {
    const std::wstring parameters = elevatedRunParameters(
        run.options, run.options.installDir.empty() ? std::wstring() : fullPathOf(run.options.installDir));
    SHELLEXECUTEINFOW execute{sizeof execute};
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = run.window.handle();
    execute.lpVerb = L"runas";
    execute.lpFile = run.self.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_CANCELLED) {
            logLine("Setup cancelled: elevation was refused");
            return Outcome::ElevationRefused;
        }
        return run.failWithError(L"cannot start setup with administrator rights", error);
    }
    velmora::UniqueKernelHandle process(execute.hProcess);
    if (run.interactive()) run.window.waitFor(process.get(), INFINITE);
    exitCode = velmora::waitForExit(process.get(), 1603);
    return Outcome::Done;
}

// One install or uninstall of this application at a time: Local\ per user, Global\ per machine.
class InstallLock {
public:
    Outcome acquire(Run& run) {
        const std::wstring name = (run.settings.perMachine ? L"Global\\" : L"Local\\") + run.settings.appId + L".setup";
        mutex_.reset(::CreateMutexW(nullptr, FALSE, name.c_str()));
        if (!mutex_) return run.failWithError(L"cannot create the lock " + name, ::GetLastError());
        DWORD result = ::WaitForSingleObject(mutex_.get(), 0);
        if (result == WAIT_TIMEOUT && run.interactive()) {
            logLine(L"Waiting for another setup of " + run.settings.appId);
            run.window.setText(run.text(IDS_WAITING));
            result = run.window.waitFor(mutex_.get(), INFINITE);
        }
        if (result == WAIT_TIMEOUT) {
            logLine(L"Setup refused: another setup of " + run.settings.appId + L" is running");
            return Outcome::AnotherInstallRunning;
        }
        owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        return owned_ ? Outcome::Done : run.failWithError(L"cannot wait for the lock " + name, ::GetLastError());
    }
    ~InstallLock() {
        if (owned_) ::ReleaseMutex(mutex_.get());
    }

private:
    velmora::UniqueKernelHandle mutex_;
    bool owned_ = false;
};

std::wstring defaultInstallFolder(const SetupSettings& settings) {
    std::wstring base = shellFolderPath(settings.perMachine ? ShellFolder::ProgramFiles : ShellFolder::UserProgramFiles);
    // Where the system does not know the per-user programs folder (Wine), it is where Windows puts it.
    if (base.empty() && !settings.perMachine) {
        const std::wstring local = shellFolderPath(ShellFolder::LocalAppData);
        if (!local.empty()) base = joinPath(local, L"Programs");
    }
    return base.empty() ? std::wstring() : joinPath(base, settings.name);
}

bool readSettingsFile(const std::wstring& path, SetupSettings& settings) {
    std::string bytes, problem;
    return readWholeFile(path, bytes) && parseSetupSettings(bytes, settings, problem);
}

std::vector<std::wstring> readFileList(const std::wstring& folder, const wchar_t* name) {
    std::string bytes;
    return readWholeFile(joinPath(folder, name), bytes) ? parseFileList(bytes) : std::vector<std::wstring>();
}

// Moves each of `files` from one folder to the other where it is still missing; false when one
// could not be moved (the rest still are).
bool moveFilesAcross(const std::wstring& from, const std::wstring& to, const std::vector<std::wstring>& files) {
    bool ok = true;
    for (const std::wstring& file : files) {
        const std::wstring source = joinPath(from, file), target = joinPath(to, file);
        if (!isFile(source) || isFile(target)) continue;
        if (!createFolders(parentOf(target)) || !moveFile(source, target)) {
            const DWORD error = ::GetLastError();
            std::wstring line = L"Cannot move " + source;
            line += L" to ";
            line += target;
            line += L": ";
            line += errorText(error);
            logLine(line);
            ok = false;
        }
    }
    return ok;
}

// What a killed run left beside the install folder is undone: the previous version is put back
// and the user's files that were on their way to the new folder return.
void recoverLeftovers(const std::wstring& folder) {
    const std::wstring pendingNew = folder + kNewFolderSuffix, pendingOld = folder + kOldFolderSuffix;
    const Recovery recovery = recoveryFor({isFolder(folder), isFolder(pendingNew), isFolder(pendingOld)});
    if (recovery.restoreOld) {
        logLine(L"Restoring the previous version from " + pendingOld);
        if (!::MoveFileExW(pendingOld.c_str(), folder.c_str(), 0))
            logLine(L"Cannot restore " + pendingOld + L": " + errorText(::GetLastError()));
    }
    if (recovery.salvageNew) {
        logLine(L"Removing the unfinished " + pendingNew);
        if (moveFilesAcross(pendingNew, folder, readFileList(pendingNew, kCarriedJournalName))) removeTree(pendingNew);
    }
    if (recovery.salvageOld) {
        logLine(L"Removing the replaced " + pendingOld);
        std::vector<std::wstring> files;
        listFiles(pendingOld, files);
        const std::vector<std::wstring> unlisted =
            carriedOverFiles(files, readFileList(pendingOld, kFileListName), {});
        if (moveFilesAcross(pendingOld, folder, unlisted)) removeTree(pendingOld);
    }
}

// The first installed file another process holds open, or empty.
std::wstring fileHeldOpen(const std::wstring& folder, const std::vector<std::wstring>& files) {
    for (const std::wstring& file : files)
        if (fileInUse(joinPath(folder, file))) return file;
    return {};
}

// Interactive: asks to close the application until nothing is held or the user cancels.
Outcome waitUntilClosed(Run& run, const std::wstring& folder, const std::vector<std::wstring>& files) {
    for (;;) {
        const std::wstring held = fileHeldOpen(folder, files);
        if (held.empty()) return Outcome::Done;
        logLine(L"In use: " + joinPath(folder, held));
        if (!run.interactive()) {
            logLine(L"Setup refused: " + run.settings.name + L" is running");
            return Outcome::ApplicationRunning;
        }
        if (showMessage(run.window.handle(), run.text(IDS_APP_RUNNING, held), run.title(),
                        MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            logLine("Setup cancelled while the application was running");
            return Outcome::Cancelled;
        }
    }
}

void writeShortcuts(Run& run, const std::wstring& folder) {
    const SetupSettings& s = run.settings;
    const ShortcutSpec spec{joinPath(folder, s.launcher), folder, joinPath(folder, s.launcher), s.appId, s.name};
    const std::pair<bool, ShellFolder> places[] = {
        {s.startMenuShortcut, s.perMachine ? ShellFolder::CommonPrograms : ShellFolder::UserPrograms},
        {s.desktopShortcut, s.perMachine ? ShellFolder::CommonDesktop : ShellFolder::UserDesktop}};
    for (const auto& [wanted, place] : places) {
        const std::wstring base = shellFolderPath(place);
        if (base.empty()) continue;
        const std::wstring link = joinPath(base, s.name + L".lnk");
        if (!wanted) {
            // An upgrade that no longer asks for it takes its own shortcut away.
            if (isFile(link) && samePath(shortcutTarget(link), spec.target)) removeFile(link);
            continue;
        }
        if (!writeShortcut(link, spec)) logLine(L"Cannot write the shortcut " + link + L": " + errorText(::GetLastError()));
    }
}

void removeShortcuts(const SetupSettings& s, const std::wstring& folder) {
    const std::wstring target = joinPath(folder, s.launcher);
    for (ShellFolder place : {ShellFolder::UserPrograms, ShellFolder::CommonPrograms, ShellFolder::UserDesktop,
                              ShellFolder::CommonDesktop}) {
        const std::wstring link = joinPath(shellFolderPath(place), s.name + L".lnk");
        if (isFile(link) && samePath(shortcutTarget(link), target) && !removeFile(link))
            logLine(L"Cannot remove the shortcut " + link + L": " + errorText(::GetLastError()));
    }
}

bool writeAssociations(Run& run, const std::wstring& folder) {
    const std::wstring launcher = joinPath(folder, run.settings.launcher);
    for (const FileAssociation& association : run.settings.associations)
        for (const RegistryKeyValues& key : associationKeys(run.settings, association, launcher))
            if (!writeKeyValues(run.root(), key)) {
                run.failWithError(L"cannot register " + association.extension, ::GetLastError());
                return false;
            }
    if (!run.settings.associations.empty()) announceAssociationChange();
    return true;
}

void removeAssociations(const SetupSettings& s, HKEY root) {
    for (const FileAssociation& association : s.associations) {
        const std::wstring progId = progIdOf(s.appId, association.extension);
        const std::wstring extensionKey = L"Software\\Classes\\" + association.extension;
        removeKeyTree(root, L"Software\\Classes\\" + progId);
        removeValue(root, extensionKey + L"\\OpenWithProgids", progId);
        removeKeyIfEmpty(root, extensionKey + L"\\OpenWithProgids");
        std::wstring current;
        if (readString(root, extensionKey, L"", current) && current == progId) removeValue(root, extensionKey, L"");
        removeKeyIfEmpty(root, extensionKey);
    }
    if (!s.associations.empty()) announceAssociationChange();
}

std::wstring today() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return dateText(now.wYear, now.wMonth, now.wDay);
}

// The folder this application is installed in, as its entry says; empty when there is none.
std::wstring registeredFolder(const Run& run) {
    std::wstring folder;
    readString(run.root(), uninstallKeyPath(run.settings.appId), L"InstallLocation", folder);
    return folder;
}

Outcome install(Run& run) {
    const SetupSettings& s = run.settings;
    const std::wstring source = joinPath(parentOf(parentOf(run.self)), L"app");
    if (!isFile(joinPath(source, s.launcher)))
        return run.fail(L"the application's launcher " + joinPath(source, s.launcher) + L" is missing");

    std::wstring folder = registeredFolder(run);
    if (!run.options.installDir.empty()) {
        const std::wstring wanted = fullPathOf(run.options.installDir);
        if (!folder.empty() && !samePath(folder, wanted) && isFile(joinPath(folder, kUninstallSettingsName)))
            return run.fail(s.name + L" is already installed in " + folder + L"; uninstall it first to install it elsewhere");
        folder = wanted;
    }
    if (folder.empty()) folder = defaultInstallFolder(s);
    if (folder.empty()) return run.fail(L"cannot find the folder for programs");
    logLine(L"Installing " + s.name + L" " + s.version + L" into " + folder);

    InstallLock lock;
    if (Outcome locked = lock.acquire(run); locked != Outcome::Done) return locked;
    run.window.setText(run.text(IDS_INSTALLING));
    recoverLeftovers(folder);

    // What is installed there now.
    std::vector<std::wstring> previous;
    SetupSettings installed;  // the previous version's, when upgrading
    const bool upgrade = isFile(joinPath(folder, kUninstallSettingsName));
    if (upgrade) {
        if (!readSettingsFile(joinPath(folder, kUninstallSettingsName), installed))
            return run.fail(L"cannot read what is installed in " + folder);
        if (installed.appId != s.appId)
            return run.fail(folder + L" holds another application (" + installed.appId + L")");
        VersionNumber have, want;
        parseVersionNumber(installed.version, have);
        parseVersionNumber(s.version, want);
        if (compareVersions(have, want) > 0) {
            logLine(L"Setup refused: version " + installed.version + L" is installed, newer than " + s.version);
            if (run.interactive())
                showMessage(run.window.handle(), run.text(IDS_NEWER_INSTALLED, installed.version), run.title(),
                            MB_OK | MB_ICONINFORMATION);
            return Outcome::NewerInstalled;
        }
        previous = readFileList(folder, kFileListName);
        if (Outcome closed = waitUntilClosed(run, folder, previous); closed != Outcome::Done) return closed;
    }

    std::vector<std::wstring> files;
    uint64_t bytes = 0;
    if (!listFiles(source, files, &bytes)) return run.failWithError(L"cannot read " + source, ::GetLastError());
    if (const std::wstring clash = clashWithBookkeeping(files); !clash.empty())
        return run.fail(L"the application has a file named " + clash + L", which setup writes itself");

    // The new version is put together beside the old one and replaces it only when complete.
    const std::wstring pendingNew = folder + kNewFolderSuffix, pendingOld = folder + kOldFolderSuffix;
    if (!createFolders(parentOf(folder))) return run.failWithError(L"cannot create " + parentOf(folder), ::GetLastError());
    auto discardNew = [&] {
        const DWORD error = ::GetLastError();
        removeTree(pendingNew);
        ::SetLastError(error);
    };
    const uint64_t total = bytes ? bytes : 1;
    if (!moveTree(source, pendingNew, [&](uint64_t done) { run.window.setProgress(static_cast<unsigned>(done * 900 / total)); })) {
        const DWORD error = ::GetLastError();
        removeTree(pendingNew);
        return run.failWithError(L"cannot place the files in " + pendingNew, error);
    }
    run.window.setProgress(900);
    std::string settingsBytes = composeSetupSettings(s);
    if (!::CopyFileW(run.self.c_str(), joinPath(pendingNew, kUninstallerName).c_str(), FALSE) ||
        !writeWholeFile(joinPath(pendingNew, kUninstallSettingsName), settingsBytes) ||
        !writeWholeFile(joinPath(pendingNew, kFileListName), composeFileList(files))) {
        discardNew();
        return run.failWithError(L"cannot write the uninstaller into " + pendingNew, ::GetLastError());
    }

    // The user's own files in the old folder go along; the journal names them for a killed run.
    std::vector<std::wstring> carried;
    if (isFolder(folder)) {
        std::vector<std::wstring> present;
        listFiles(folder, present);
        carried = carriedOverFiles(present, previous, files);
    }
    if (!carried.empty()) {
        if (!writeWholeFile(joinPath(pendingNew, kCarriedJournalName), composeFileList(carried))) {
            discardNew();
            return run.failWithError(L"cannot write into " + pendingNew, ::GetLastError());
        }
        if (!moveFilesAcross(folder, pendingNew, carried)) {
            moveFilesAcross(pendingNew, folder, carried);
            removeTree(pendingNew);
            return run.fail(L"cannot carry the files added to " + folder + L" over to the new version");
        }
    }
    if (s.perMachine && !resetToInheritedPermissions(pendingNew))
        logLine(L"Cannot reset the permissions below " + pendingNew + L": " + errorText(::GetLastError()));

    // Two renames: until the second one the old version stays whole under one of its two names.
    const bool replacing = isFolder(folder);
    if (replacing && !::MoveFileExW(folder.c_str(), pendingOld.c_str(), 0)) {
        const DWORD error = ::GetLastError();
        moveFilesAcross(pendingNew, folder, carried);
        removeTree(pendingNew);
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) {
            logLine(L"Setup refused: a file in " + folder + L" is in use: " + errorText(error));
            if (run.interactive())
                showMessage(run.window.handle(), run.text(IDS_APP_RUNNING, folder), run.title(), MB_OK | MB_ICONWARNING);
            return Outcome::ApplicationRunning;
        }
        return run.failWithError(L"cannot move " + folder + L" aside", error);
    }
    if (!::MoveFileExW(pendingNew.c_str(), folder.c_str(), 0)) {
        const DWORD error = ::GetLastError();
        if (replacing) ::MoveFileExW(pendingOld.c_str(), folder.c_str(), 0);
        moveFilesAcross(pendingNew, folder, carried);
        removeTree(pendingNew);
        return run.failWithError(L"cannot move " + pendingNew + L" into place", error);
    }
    removeFile(joinPath(folder, kCarriedJournalName));
    if (replacing) {
        std::vector<std::wstring> left;
        if (!removeTree(pendingOld, &left))
            logLine(L"Cannot remove the previous version's " + (left.empty() ? pendingOld : left.front()) +
                    L" yet; the next setup removes it");
    }
    run.window.setProgress(950);

    // The shell's view of it: entry, shortcuts, associations.
    std::vector<std::wstring> installedFiles;
    uint64_t installedBytes = 0;
    listFiles(folder, installedFiles, &installedBytes);
    const DWORD sizeKb = static_cast<DWORD>((installedBytes + 1023) / 1024);
    if (!writeKeyValues(run.root(), uninstallEntry(s, folder, sizeKb, today())))
        return run.failWithError(L"cannot write the entry " + uninstallKeyPath(s.appId), ::GetLastError());
    // What the previous version had under other names goes: shortcuts to its launcher, which is
    // gone with it, and the file types this version no longer opens.
    {
        ComScope com;
        if (upgrade && (installed.name != s.name || !samePath(installed.launcher, s.launcher)))
            removeShortcuts(installed, folder);
        writeShortcuts(run, folder);
    }
    if (upgrade) {
        std::erase_if(installed.associations, [&](const FileAssociation& old) {
            return std::any_of(s.associations.begin(), s.associations.end(),
                               [&](const FileAssociation& kept) { return samePath(kept.extension, old.extension); });
        });
        removeAssociations(installed, run.root());
    }
    if (!writeAssociations(run, folder)) return Outcome::Failed;
    run.window.setProgress(1000);
    logLine(L"Installed " + s.name + L" " + s.version + L" in " + folder);
    return Outcome::Done;
}

Outcome uninstall(Run& run) {
    const SetupSettings& s = run.settings;
    std::wstring folder = parentOf(run.self);
    if (!isFile(joinPath(folder, kFileListName))) folder = registeredFolder(run);
    if (folder.empty() || !isFile(joinPath(folder, kFileListName)))
        return run.fail(s.name + L" is not installed");

    InstallLock lock;
    if (Outcome locked = lock.acquire(run); locked != Outcome::Done) return locked;
    if (run.interactive() && showMessage(nullptr, run.text(IDS_CONFIRM_UNINSTALL), run.title(),
                                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        logLine("Uninstall cancelled");
        return Outcome::Cancelled;
    }
    const std::vector<std::wstring> files = readFileList(folder, kFileListName);
    if (Outcome closed = waitUntilClosed(run, folder, files); closed != Outcome::Done) return closed;
    run.window.open(run.instance, run.title(), run.text(IDS_REMOVING));
    logLine(L"Uninstalling " + s.name + L" " + s.version + L" from " + folder);

    std::vector<std::wstring> left;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::wstring path = joinPath(folder, files[i]);
        if (!removeFile(path)) {
            logLine(L"Cannot remove " + path + L": " + errorText(::GetLastError()));
            left.push_back(path);
        }
        run.window.setProgress(static_cast<unsigned>((i + 1) * 900 / files.size()));
    }
    for (const std::wstring& sub : foldersOf(files)) ::RemoveDirectoryW(joinPath(folder, sub).c_str());
    {
        ComScope com;
        removeShortcuts(s, folder);
    }
    removeAssociations(s, run.root());
    if (!removeKeyTree(run.root(), uninstallKeyPath(s.appId)))
        logLine(L"Cannot remove the entry " + uninstallKeyPath(s.appId) + L": " + errorText(::GetLastError()));
    removeFile(joinPath(folder, kUninstallSettingsName));
    removeFile(joinPath(folder, kFileListName));
    // The uninstaller itself and then the folder go once this program has ended.
    if (samePath(parentOf(run.self), folder)) scheduleRemoval(folder, false, {});
    else if (removeFile(joinPath(folder, kUninstallerName))) ::RemoveDirectoryW(folder.c_str());
    run.window.setProgress(1000);
    if (!left.empty()) {
        std::wstring named = left.front();
        if (left.size() > 1) named += L" (+" + velmora::decimalText(left.size() - 1) + L")";
        return run.fail(L"cannot remove " + named);
    }
    logLine(L"Uninstalled " + s.name);
    return Outcome::Done;
}

void launchInstalled(const Run& run) {
    const std::wstring folder = registeredFolder(run);
    if (folder.empty()) return;
    velmora::ProcessStart start;
    start.applicationName = joinPath(folder, run.settings.launcher);
    start.commandLine = velmora::quoteArgument(start.applicationName);
    start.workingDirectory = folder;
    if (!velmora::startProcess(start).started())
        logLine(L"Cannot start " + start.applicationName + L": " + errorText(::GetLastError()));
}

}  // namespace

int runSetup(HINSTANCE instance, const std::vector<std::wstring>& arguments) {
    Run run;
    run.instance = instance;
    run.self = ownProgramPath();
    std::string problem;
    if (!parseSetupOptions(arguments, run.options, problem)) {
        logLine("Setup failed: " + problem);
        return exitCodeOf(Outcome::Failed);
    }
    if (run.options.action == SetupAction::Cleanup) return runCleanup(run.options);

    // The working folder goes once this run has ended, whatever its outcome, a killed run
    // included: the remover starts now and waits for this process. An elevated run leaves that
    // to the run that started it.
    const std::wstring working = run.options.elevated ? std::wstring() : ruvoWorkingFolder(run.self);
    if (!working.empty()) {
        std::string installer;
        readWholeFile(joinPath(working, L"sea_loc"), installer);
        while (!installer.empty() && (installer.back() == '\0' || installer.back() == '\n' || installer.back() == '\r'))
            installer.pop_back();
        scheduleRemoval(working, true, velmora::utf8ToWide(installer));
    }

    const std::wstring folder = parentOf(run.self);
    std::wstring settingsPath = joinPath(folder, kUninstallSettingsName);
    if (run.options.action == SetupAction::Install || !isFile(settingsPath)) settingsPath = joinPath(folder, L"setup.settings");
    std::string bytes;
    if (!readWholeFile(settingsPath, bytes)) {
        logLine(L"Setup failed: cannot read " + settingsPath + L": " + errorText(::GetLastError()));
        return exitCodeOf(Outcome::Failed);
    }
    if (!parseSetupSettings(bytes, run.settings, problem)) {
        logLine("Setup failed: " + velmora::wideToUtf8(settingsPath) + ": " + problem);
        return exitCodeOf(Outcome::Failed);
    }
    setLogName(run.settings.appId);
    applyLanguageLayout();

    const bool uninstalling = run.options.action == SetupAction::Uninstall;
    if (run.interactive() && !uninstalling) run.window.open(instance, run.title(), run.text(IDS_INSTALLING));

    Outcome outcome;
    DWORD elevatedCode = 0;
    const bool delegated = run.settings.perMachine && !run.options.elevated && !runsElevated();
    if (!run.options.installDir.empty() && !isFullPath(run.options.installDir)) {
        // This run's current folder is the self-extractor's working folder, which goes when it ends.
        outcome = run.fail(L"--install-dir needs a full path, such as C:\\Apps\\" + run.settings.name + L", not " +
                           run.options.installDir);
    } else if (delegated) {
        logLine("Setup asks for administrator rights");
        outcome = runElevated(run, elevatedCode);
    } else {
        outcome = uninstalling ? uninstall(run) : install(run);
    }
    int code = delegated && outcome == Outcome::Done ? static_cast<int>(elevatedCode) : exitCodeOf(outcome);
    run.window.close();
    if (outcome == Outcome::Failed && run.interactive())
        showMessage(nullptr, run.text(uninstalling ? IDS_UNINSTALL_FAILED : IDS_INSTALL_FAILED, run.failure) +
                                 L"\n\n" + logPath(),
                    run.title(), MB_OK | MB_ICONERROR);
    // The application starts from its folder, never elevated: the run the user started does it.
    if (code == 0 && !uninstalling && run.interactive() && run.settings.launchAfterInstall && !run.options.elevated)
        launchInstalled(run);
    return code;
}

}  // namespace quillsetup

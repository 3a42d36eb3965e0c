#include "selfextract/run_extraction.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "archive/al_archive.h"
#include "common/process_start.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "selfextract/heap_options.h"
#include "selfextract/kiv_file.h"
#include "selfextract/launch_line.h"
#include "selfextract/log_line.h"
#include "selfextract/resources/resource_ids.h"
#include "selfextract/system_paths.h"
#include "selfextract/working_directory.h"

namespace ruvo {

namespace {

// Bytes of the stub read as a plausibility check; the rest of the file counts as payload.
constexpr DWORD kPlausibilityRead = 2048;
constexpr DWORD kPlausibilityMinimum = 8;

// Reports the job's progress to the view. A Cancel seen during the extraction stops it at
// the next buffer instead of unpacking the rest of a payload that is about to be deleted.
class ExtractionMonitor : public ALSimpleMonitor {
public:
    ExtractionMonitor(const ExtractorState& state, ExtractionView& view)
        : ALSimpleMonitor([&view](const wchar_t*, int objectPercent, int jobPercent) {
              int percent = PercentToShow(objectPercent, jobPercent);
              if (percent > 0) view.UpdateProgress(percent);
          }),
          state_(state),
          view_(view) {}

    void Progress(long position, ALStorage& storage) override {
        ALSimpleMonitor::Progress(position, storage);
        view_.PumpMessages();
        if (state_.abortRequested && storage.status >= 0) storage.status.Set(AL_USER_ABORT, "User abort");
    }

private:
    const ExtractorState& state_;
    ExtractionView& view_;
};

// The extracted launcher: Windows\<own file name>, else the first program of
// Windows_Pure_64_Bit\, then of Windows\.
std::wstring ChooseLauncher(const std::wstring& workingPath) {
    std::wstring launcher = workingPath + L"Windows\\" + FileNameOf(ModulePath(nullptr));
    if (IsFile(launcher)) return launcher;
    // With no program there this names the folder itself, which is not a launcher either.
    launcher = workingPath + L"Windows_Pure_64_Bit\\" + FirstMatch(workingPath + L"Windows_Pure_64_Bit\\*.exe");
    if (IsFile(launcher)) return launcher;
    std::wstring folder = L"Windows\\";
    std::wstring name = FirstMatch(workingPath + folder + L"*.exe");
    if (name.empty()) {
        WriteStandardOutputLine("Unable to locate 32 bit installer to execute");
        folder = L"Windows_Pure_64_Bit\\";
        name = FirstMatch(workingPath + folder + L"*.exe");
        if (name.empty()) WriteStandardOutputLine("Unable to locate 64 bit installer to execute");
    }
    if (!name.empty() && IsFile(workingPath + folder + name)) launcher = workingPath + folder + name;
    return launcher;
}

bool KivSwitchRequested(const std::wstring& workingPath, const char* key) {
    std::wstring kiv = ExtractedKivPath(workingPath);
    std::string bytes;
    return !kiv.empty() && ReadWholeFile(kiv, bytes) && KivSwitchIsSet(bytes, key);
}

bool CleanupRequested(const std::wstring& workingPath) { return KivSwitchRequested(workingPath, kCleanupKey); }
bool PlainArgumentsRequested(const std::wstring& workingPath) {
    return KivSwitchRequested(workingPath, kPlainArgumentsKey);
}


// The steps of one attempt, in order. Each returns false after showing its failure; the
// working directory then leaves and removes itself.
class Extraction {
public:
    Extraction(ExtractorState& state, ExtractionView& view)
        : state_(state), view_(view), monitor_(state, view), ring_(&monitor_) {}

    bool Run() {
        LogLine("Extracting files.");
        view_.ShowWorkingLook();
        view_.UpdateProgress(0);
        if (Aborted()) return false;
        std::wstring base;
        if (!ChooseBaseFolder(base) || Aborted()) return false;
        if (!MakeWorkingDirectory(base) || Aborted()) return false;
        uint64_t compressedSize = 0;
        if (!MeasurePayload(compressedSize) || !CheckFreeSpace(compressedSize)) return false;
        if (!Unpack() || Aborted()) return false;
        if (state_.heapOverride.any()) RewriteKivHeapOptions(directory_->workingPath(), state_.heapOverride);
        state_.cleanupAfterRun = CleanupRequested(directory_->workingPath());
        if (Aborted() || !WriteSeaLoc()) return false;
        return StartLauncher();
    }

private:
    bool Aborted() const {
        if (!state_.abortRequested) return false;
        LogLine("User requested ABORT");
        return true;
    }

    // The chosen folder, else the temporary folder, else C:\Temp.
    bool ChooseBaseFolder(std::wstring& base) {
        if (!state_.chosenBaseDirectory.empty()) {
            base = state_.chosenBaseDirectory;
            LogLine("Using working directory to decompress files: %s", base.c_str());
            return true;
        }
        wchar_t temporary[MAX_PATH + 1];
        DWORD length = ::GetTempPathW(MAX_PATH + 1, temporary);
        if (length > 0 && length <= MAX_PATH) {
            base.assign(temporary, length);
            LogLine("Using TEMP path from win32 subsystem: %s", base.c_str());
            return true;
        }
        return FallbackBase(base);
    }

    // C:\Temp, created when missing.
    bool FallbackBase(std::wstring& base) {
        base = L"C:\\Temp\\";
        if (IsDirectory(base) || ::CreateDirectoryW(base.c_str(), nullptr)) return true;
        view_.ShowNoSpacePanel();
        LogLine("*** FAILURE: Unable to create a working directory!");
        return false;
    }

    bool MakeWorkingDirectory(const std::wstring& base) {
        directory_.emplace(CurrentDirectory());
        LogLine("Extracting to: %s", directory_->returnDirectory().c_str());
        // A temporary folder that does not exist (a removed drive, a stale profile) must not
        // send the files elsewhere unasked. A folder the user chose is used as chosen or not
        // at all: the user may choose again.
        std::wstring folder = base;
        if (!IsDirectory(folder)) {
            if (!state_.chosenBaseDirectory.empty()) {
                view_.ShowNoSpacePanel();
                LogLine("*** FAILURE: Unable to access the working directory!");
                return false;
            }
            LogLine("Unable to enter %s: using C:\\Temp instead", base.c_str());
            if (!FallbackBase(folder)) return false;
        }
        if (!directory_->Create(folder)) {
            view_.ShowNoSpacePanel();
            return false;
        }
        state_.workingDirectory = directory_->fullPath();
        return true;
    }

    // Opens the own file, reads the start of the stub and measures the rest as payload.
    bool MeasurePayload(uint64_t& compressedSize) {
        self_.reset(::CreateFileW(ModulePath(nullptr).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!self_) {
            view_.ShowErrorPanel(IDS_CANNOT_EXTRACT);
            LogLine("*** FAILURE: Unable to extract the compressed file");
            return false;
        }
        if (Aborted()) return false;
        char head[kPlausibilityRead];
        DWORD got = 0;
        if (!::ReadFile(self_.get(), head, kPlausibilityRead, &got, nullptr) || got < kPlausibilityMinimum) {
            view_.ShowErrorPanel(IDS_NO_EXE_NAME_BUFFER);
            self_.reset();
            LogLine("*** FAILURE: There is no EXE name buffer to be found.");
            return false;
        }
        if (Aborted()) return false;
        LARGE_INTEGER fileSize{};
        ::GetFileSizeEx(self_.get(), &fileSize);
        compressedSize = static_cast<uint64_t>(fileSize.QuadPart) - got;
        return !Aborted();
    }

    // Room for three times the payload on the working directory's drive.
    bool CheckFreeSpace(uint64_t compressedSize) {
        uint64_t freeBytes = 0;
        if (!GetFreeDiskSpace(directory_->workingPath(), freeBytes)) {
            view_.ShowErrorPanel(IDS_CANNOT_CHECK_SPACE);
            return false;
        }
        LogLine("Retrieved free disk space... ");
        if (Aborted()) return false;
        LogLine("Comparing free disk space... ");
        if (!HasRoomFor(compressedSize, freeBytes)) {
            view_.ShowErrorPanel(IDS_NOT_ENOUGH_ROOM);
            self_.reset();
            LogLine("*** FAILURE: Not enough free disk space available: Required disc space is %I64u KB, available "
                    "is %I64u KB",
                    RequiredBytes(compressedSize) / 1024, freeBytes / 1024);
            return false;
        }
        self_.reset();
        return true;
    }

    // A console run's user reads no log; started from a console window, the program has no
    // standard output of its own until it attaches to that console.
    static void TellConsole(const char* line) {
        if (!velmora::isUsableHandle(::GetStdHandle(STD_OUTPUT_HANDLE))) ::AttachConsole(ATTACH_PARENT_PROCESS);
        WriteStandardOutputLine(line);
    }
    static constexpr char kDamagedInstaller[] =
        "*** FAILURE: Unable to unzip file: the installer is damaged. Please get another copy of the installer and "
        "try again.";

    // Every member below the working directory.
    bool Unpack() {
        int result;
        {
            ALPkArchive archive(ModulePath(state_.instance).c_str());
            archive.ReadDirectory(ring_);
            result = archive.Extract(ring_, directory_->workingPath());
        }
        if (Aborted()) return false;
        if (result != 0) LogArchiveStatus(result);
        if (result < 0) {
            directory_->DiscardContents();
            // A damaged installer stays damaged in any other folder. (Only the dialog has an
            // instance; silent runs log as for any failed unpacking.)
            const bool damaged = result == AL_INVALID_ARCHIVE || result == AL_CRC_ERROR;
            if (damaged && state_.instance)
                view_.ShowErrorPanel(IDS_CANNOT_EXTRACT);
            else
                view_.ShowRetryPanel(L"");
            if (damaged && state_.console) TellConsole(kDamagedInstaller);
            LogLine("*** FAILURE: Unable to unzip file: Error %d", result);
            return false;
        }
        return true;
    }

    // sea_loc: the program's own path in UTF-8, a line feed and a zero byte, no byte-order mark.
    bool WriteSeaLoc() {
        velmora::UniqueFileHandle file(::CreateFileW((directory_->workingPath() + L"sea_loc").c_str(), GENERIC_WRITE,
                                                     0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            LogLine("*** FAILURE: Unable to create the sea_loc file: asking to find a new location");
            view_.ShowRetryPanel(LoadText(state_.instance, IDS_CANNOT_WRITE_SEA_LOC));
            return false;
        }
        std::wstring path = ModulePath(nullptr);
        std::string bytes = path.empty() ? std::string() : velmora::wideToUtf8(path + L"\n");
        bool complete = !bytes.empty();
        if (complete) {
            bytes.push_back('\0');
            DWORD written = 0;
            complete = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
        }
        file.reset();
        if (!complete) {
            view_.ShowRetryPanel(LoadText(state_.instance, IDS_CANNOT_WRITE_SEA_LOC));
            LogLine("*** FAILURE: We ran out of space while creating the compressed file.");
            return false;
        }
        return true;
    }

    bool StartLauncher() {
        std::wstring launcher = LauncherPath(ChooseLauncher(directory_->workingPath()));
        // The launched program runs in the working directory, as its current directory.
        if (!directory_->Enter()) {
            view_.ShowNoSpacePanel();
            LogLine("*** FAILURE: Unable to access the working directory!");
            return false;
        }
        state_.launchedProcess = velmora::StartedProcess();

        velmora::ProcessStart start;
        start.applicationName = launcher;
        if (PlainArgumentsRequested(directory_->workingPath())) {
            int count = 0;
            LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
            start.commandLine = LaunchLine(launcher, argv ? PlainLauncherArguments(argv, count) : std::wstring());
            if (argv) ::LocalFree(argv);
        } else {
            std::wstring commandLine = ::GetCommandLineW();
            if (state_.heapOverride.any()) StripHeapOptions(commandLine);
            start.commandLine = LaunchLine(launcher, UserArguments(commandLine));
        }
        if (state_.shareCallersOutput) ShareCallersOutput(start);
        state_.launchedProcess = velmora::startProcess(start);
        if (!state_.launchedProcess.started()) {
            view_.ShowErrorPanel(IDS_CANNOT_EXECUTE);
            LogLine("*** FAILURE: Unable to execute the EXE program.");
            return false;
        }
        directory_->Commit();
        LogLine("Success. The extracted file execution has begun.");
        return true;
    }

    // Output redirected to a file or pipe goes on to the launcher; without standard handles
    // (started from a console window) the launcher shares the caller's console instead of
    // getting one of its own that closes with it.
    static void ShareCallersOutput(velmora::ProcessStart& start) {
        velmora::StandardHandles own = velmora::ownStandardHandles();
        if (velmora::isUsableHandle(own.output) || velmora::isUsableHandle(own.error)) {
            start.useStandardHandles = true;
            start.standardHandles = own;
        } else {
            ::AttachConsole(ATTACH_PARENT_PROCESS);
        }
    }

    ExtractorState& state_;
    ExtractionView& view_;
    ExtractionMonitor monitor_;
    ALEntryRing ring_;
    std::optional<ScopedWorkingDirectory> directory_;
    velmora::UniqueFileHandle self_;
};

}  // namespace

bool RunExtraction(ExtractorState& state, ExtractionView& view) { return Extraction(state, view).Run(); }

}  // namespace ruvo

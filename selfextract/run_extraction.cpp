#include "selfextract/run_extraction.h"

#include <windows.h>

#include <ctime>
#include <memory>

#include "archive/al_archive.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "selfextract/extractor_state.h"
#include "selfextract/heap_options.h"
#include "selfextract/launch_line.h"
#include "selfextract/log_line.h"
#include "selfextract/progress_dialog.h"
#include "selfextract/resources/resource_ids.h"
#include "selfextract/system_paths.h"
#include "selfextract/working_directory.h"

namespace ruvo {

namespace {

// Bytes of the stub read as a plausibility check; the rest of the file counts as payload.
constexpr DWORD kPlausibilityRead = 2048;
constexpr DWORD kPlausibilityMinimum = 8;

// Reports the job's progress to the dialog. A Cancel seen during the extraction stops it at
// the next buffer instead of unpacking the rest of a payload that is about to be deleted.
// Waiting messages go through the dialog manager first, so that Enter and Escape work while
// the engine runs (its own pump then finds the queue empty).
class ExtractionMonitor : public ALSimpleMonitor {
public:
    ExtractionMonitor()
        : ALSimpleMonitor([](const wchar_t*, int objectPercent, int jobPercent) {
              int percent = PercentToShow(objectPercent, jobPercent);
              if (percent > 0) UpdateProgress(percent);
          }) {}

    void Progress(long position, ALStorage& storage) override {
        ALSimpleMonitor::Progress(position, storage);
        MSG message;
        while (dialogHandle && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (::IsDialogMessageW(dialogHandle, &message)) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (abortRequested && storage.status >= 0) storage.status.Set(AL_USER_ABORT, L"User abort");
    }
};

// The directories one attempt moves between.
struct Attempt {
    std::wstring returnDirectory;
    std::wstring workingPath;  // ends with "\"

    void leave() const { ::SetCurrentDirectoryW(returnDirectory.c_str()); }
    void remove() const {
        if (!workingPath.empty()) ::RemoveDirectoryW(workingPath.c_str());
    }
    bool abort() const {
        leave();
        remove();
        LogLine(L"User requested ABORT");
        return false;
    }
};

// Base folder: the chosen one, else the temporary folder, else C:\Temp.
bool ChooseBaseFolder(std::wstring& base) {
    if (!chosenBaseDirectory.empty()) {
        base = chosenBaseDirectory;
        LogLine(L"Using working directory to decompress files: %s", base.c_str());
        return true;
    }
    wchar_t temporary[MAX_PATH + 1];
    DWORD length = ::GetTempPathW(MAX_PATH + 1, temporary);
    if (length > 0 && length <= MAX_PATH) {
        base.assign(temporary, length);
        LogLine(L"Using TEMP path from win32 subsystem: %s", base.c_str());
        return true;
    }
    std::wstring before = CurrentDirectory();
    if (!::SetCurrentDirectoryW(L"C:\\Temp")) {
        if (!::CreateDirectoryW(L"C:\\Temp", nullptr)) {
            ShowNoSpacePanel();
            LogLine(L"*** FAILURE: Unable to create a working directory!");
            return false;
        }
        if (!::SetCurrentDirectoryW(L"C:\\Temp")) {
            ::SetCurrentDirectoryW(before.c_str());
            ShowNoSpacePanel();
            LogLine(L"*** FAILURE: Unable to access the working directory!");
            return false;
        }
    }
    base = CurrentDirectory() + L"\\";
    return true;
}

// Creates "I<time>" in the current directory, or "I<random>" when names exist; the name made.
bool CreateWorkingDirectory(std::wstring& name) {
    static std::mt19937 generator = SeededGenerator();
    name = FirstWorkingDirectoryName(static_cast<long>(std::time(nullptr)));
    for (int attempt = 1; attempt <= kWorkingDirectoryAttempts; ++attempt) {
        if (::CreateDirectoryW(name.c_str(), nullptr)) return true;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
        name = RandomWorkingDirectoryName(generator);
    }
    return false;
}

std::wstring FullPathOf(const std::wstring& name) {
    DWORD needed = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    DWORD length = ::GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    full.resize(length < needed ? length : 0);
    return full;
}

// sea_loc: the program's own path in UTF-8, a line feed and a zero byte, no byte-order mark.
bool WriteSeaLoc(const Attempt& attempt) {
    velmora::UniqueFileHandle file(::CreateFileW((attempt.workingPath + L"sea_loc").c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        LogLine(L"*** FAILURE: Unable to create the sea_loc file: asking to find a new location");
        attempt.leave();
        attempt.remove();
        ShowRetryPanel(LoadText(IDS_CANNOT_WRITE_SEA_LOC));
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
        attempt.leave();
        attempt.remove();
        ShowRetryPanel(LoadText(IDS_CANNOT_WRITE_SEA_LOC));
        LogLine(L"*** FAILURE: We ran out of space while creating the compressed file.");
        return false;
    }
    return true;
}

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

bool StartLauncher(const Attempt& attempt) {
    std::wstring launcher = LauncherPath(ChooseLauncher(attempt.workingPath));
    ::SetCurrentDirectoryW(workingDirectory.c_str());
    launchedProcess = LaunchedProcess();

    std::wstring commandLine = ::GetCommandLineW();
    if (heapOverride.any()) StripHeapOptions(commandLine);
    std::wstring line = LaunchLine(launcher, UserArguments(commandLine));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(launcher.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        ShowErrorPanel(IDS_CANNOT_EXECUTE);
        attempt.leave();
        attempt.remove();
        LogLine(L"*** FAILURE: Unable to execute the EXE program.");
        return false;
    }
    launchedProcess.started = true;
    launchedProcess.process.reset(process.hProcess);
    launchedProcess.thread.reset(process.hThread);
    LogLine(L"Success. The extracted file execution has begun.");
    return true;
}

}  // namespace

bool RunExtraction() {
    LogLine(L"Extracting files.");
    ShowWorkingLook();
    UpdateProgress(0);
    ExtractionMonitor monitor;
    ALEntryRing ring(&monitor);
    Attempt attempt;

    if (abortRequested) {
        LogLine(L"User requested ABORT");
        return false;
    }
    std::wstring base;
    if (!ChooseBaseFolder(base)) return false;
    if (abortRequested) {
        LogLine(L"User requested ABORT");
        return false;
    }

    attempt.returnDirectory = CurrentDirectory();
    LogLine(L"Extracting to: %s", attempt.returnDirectory.c_str());
    ::SetCurrentDirectoryW(base.c_str());
    std::wstring name;
    if (!CreateWorkingDirectory(name)) {
        attempt.leave();
        ShowNoSpacePanel();
        return false;
    }
    workingDirectory = FullPathOf(name);
    if (workingDirectory.empty() || !::SetCurrentDirectoryW(workingDirectory.c_str())) {
        attempt.leave();
        ::RemoveDirectoryW(workingDirectory.empty() ? name.c_str() : workingDirectory.c_str());
        ShowNoSpacePanel();
        return false;
    }
    attempt.workingPath = CurrentDirectory() + L"\\";
    attempt.leave();
    if (abortRequested) {
        attempt.remove();
        LogLine(L"User requested ABORT");
        return false;
    }

    // The payload: open the own file, read the start of the stub, measure the rest.
    std::wstring ownPath = ModulePath(nullptr);
    velmora::UniqueFileHandle self(::CreateFileW(ownPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!self) {
        ShowErrorPanel(IDS_CANNOT_EXTRACT);
        attempt.leave();
        attempt.remove();
        LogLine(L"*** FAILURE: Unable to extract the compressed file");
        return false;
    }
    if (abortRequested) return attempt.abort();
    char head[kPlausibilityRead];
    DWORD got = 0;
    if (!::ReadFile(self.get(), head, kPlausibilityRead, &got, nullptr) || got < kPlausibilityMinimum) {
        ShowErrorPanel(IDS_NO_EXE_NAME_BUFFER);
        self.reset();
        attempt.leave();
        attempt.remove();
        LogLine(L"*** FAILURE: There is no EXE name buffer to be found.");
        return false;
    }
    if (abortRequested) return attempt.abort();
    LARGE_INTEGER fileSize{};
    ::GetFileSizeEx(self.get(), &fileSize);
    uint64_t compressedSize = static_cast<uint64_t>(fileSize.QuadPart) - got;
    if (abortRequested) return attempt.abort();

    // The free-space rule, on the working directory's drive.
    ::SetCurrentDirectoryW(workingDirectory.c_str());
    uint64_t freeBytes = 0;
    if (!GetFreeDiskSpace(attempt.workingPath, freeBytes)) {
        ShowErrorPanel(IDS_CANNOT_CHECK_SPACE);
        self.reset();
        attempt.leave();
        attempt.remove();
        return false;
    }
    LogLine(L"Retrieved free disk space... ");
    if (abortRequested) return attempt.abort();
    LogLine(L"Comparing free disk space... ");
    if (!HasRoomFor(compressedSize, freeBytes)) {
        ShowErrorPanel(IDS_NOT_ENOUGH_ROOM);
        self.reset();
        attempt.leave();
        attempt.remove();
        LogLine(L"*** FAILURE: Not enough free disk space available: Required disc space is %I64u KB, available is "
                L"%I64u KB",
                RequiredBytes(compressedSize) / 1024, freeBytes / 1024);
        return false;
    }
    self.reset();

    // Unpacking, below the working directory.
    int result;
    {
        ALPkArchive archive(ModulePath(instanceHandle).c_str());
        archive.ReadDirectory(ring);
        ::SetCurrentDirectoryW(workingDirectory.c_str());
        result = archive.Extract(ring);
    }
    if (abortRequested) return attempt.abort();
    if (result != 0) LogArchiveStatus(result);
    if (result < 0) {
        ShowRetryPanel(L"");
        LogLine(L"*** FAILURE: Unable to unzip file: Error %d", result);
        attempt.leave();
        attempt.remove();
        return false;
    }

    if (abortRequested) return attempt.abort();
    if (heapOverride.any()) RewriteKivHeapOptions(attempt.workingPath);
    if (abortRequested) return attempt.abort();
    if (!WriteSeaLoc(attempt)) return false;
    return StartLauncher(attempt);
}

}  // namespace ruvo

#include "setup/leftover_removal.h"

#include <tlhelp32.h>

#include "common/argument_quoting.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "setup/file_tree.h"
#include "setup/install_plan.h"
#include "setup/setup_log.h"

namespace quillsetup {
namespace {

constexpr DWORD kLongestWaitMs = 30 * 60 * 1000;

DWORD parentProcessId() {
    velmora::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{sizeof entry};
    const DWORD self = ::GetCurrentProcessId();
    if (snapshot && ::Process32FirstW(snapshot.get(), &entry)) do {
            if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
        } while (::Process32NextW(snapshot.get(), &entry));
    return 0;
}

// The parent when it runs `installerPath`: only then does it hold the working folder.
velmora::UniqueKernelHandle installerProcess(const std::wstring& installerPath) {
    velmora::UniqueKernelHandle process;
    const DWORD id = parentProcessId();
    if (!id || installerPath.empty()) return process;
    process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    wchar_t image[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (process && (!::QueryFullProcessImageNameW(process.get(), 0, image, &size) ||
                    !samePath(fullPathOf(image), fullPathOf(installerPath))))
        process.reset();
    return process;
}

velmora::UniqueKernelHandle inheritableCopy(HANDLE handle) {
    velmora::UniqueKernelHandle copy;
    HANDLE self = ::GetCurrentProcess();
    ::DuplicateHandle(self, handle, self, copy.receive(), SYNCHRONIZE, TRUE, 0);
    return copy;
}

std::wstring handleText(HANDLE handle) {
    wchar_t text[24];
    wsprintfW(text, L"%I64u", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
    return text;
}

}  // namespace

std::wstring ruvoWorkingFolder(const std::wstring& ownPath) {
    const std::wstring programFolder = parentOf(ownPath);
    std::wstring working = parentOf(programFolder);
    const std::wstring folderName = programFolder.substr(working.size() + (working.empty() ? 0 : 1));
    if (working.empty() || !samePath(folderName, L"Windows_Pure_64_Bit") || !isFile(joinPath(working, L"sea_loc")))
        return {};
    return working;
}

bool scheduleRemoval(const std::wstring& folder, bool wholeTree, const std::wstring& installerPath) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring tempFolder(temp, length <= MAX_PATH ? length : 0), program = ownProgramPath();
    // The copy of an earlier run that had this process number may still be at work under the
    // plain name: another name is taken then.
    std::wstring copy;
    for (unsigned attempt = 0;; ++attempt) {
        wchar_t name[48];
        if (attempt == 0) wsprintfW(name, L"setup-cleanup-%lu.exe", ::GetCurrentProcessId());
        else wsprintfW(name, L"setup-cleanup-%lu-%u.exe", ::GetCurrentProcessId(), attempt);
        copy = joinPath(tempFolder, name);
        if (::CopyFileW(program.c_str(), copy.c_str(), FALSE)) break;
        if (attempt == 7) {
            logLine(L"Cannot copy the cleanup program to " + copy + L": " + errorText(::GetLastError()));
            return false;
        }
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // The system deletes the copy once this handle, which the copy inherits, is closed by its end.
    velmora::UniqueFileHandle deletion(::CreateFileW(copy.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                     &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    velmora::UniqueKernelHandle self = inheritableCopy(::GetCurrentProcess());
    velmora::UniqueKernelHandle installer = installerProcess(installerPath);
    velmora::UniqueKernelHandle installerCopy;
    if (installer) installerCopy = inheritableCopy(installer.get());
    if (!deletion || !self) {
        removeFile(copy);
        return false;
    }
    HANDLE inherited[3] = {deletion.get(), self.get(), installerCopy.get()};
    const size_t count = installerCopy ? 3 : 2;

    std::wstring line = velmora::quoteArgument(copy) + (wholeTree ? L" --cleanup " : L" --cleanup-installed ") +
                        velmora::quoteArgument(folder) + L" --wait " + handleText(self.get());
    if (installerCopy) line += L" --wait " + handleText(installerCopy.get());

    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string storage(size, '\0');
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    const bool initialised = ::InitializeProcThreadAttributeList(attributes, 1, 0, &size);
    bool ok = initialised && ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                         count * sizeof(HANDLE), nullptr, nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    // No standard handles: the copy outlives this run, and a caller reading this run's output
    // through pipes must see them close when it ends.
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.lpAttributeList = attributes;
    PROCESS_INFORMATION started{};
    std::wstring folderOfCopy = parentOf(copy);
    ok = ok && ::CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, TRUE,
                                EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW, nullptr, folderOfCopy.c_str(),
                                &startup.StartupInfo, &started);
    if (initialised) ::DeleteProcThreadAttributeList(attributes);
    if (!ok) {
        logLine(L"Cannot start the cleanup program " + copy);
        return false;
    }
    // Only started: the copy waits for this process, never the other way round.
    velmora::UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    return true;
}

int runCleanup(const SetupOptions& options) {
    // The first is the engine that started this copy, which may wait on a prompt for as long as
    // the user leaves it open: the folder it is using must not go before it ends. The installer
    // ends soon after the engine.
    bool first = true;
    for (unsigned long long value : options.waitHandles) {
        if (value) ::WaitForSingleObject(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)), first ? INFINITE : kLongestWaitMs);
        first = false;
    }
    const std::wstring& folder = options.cleanupFolder;
    // Only what the engine itself asked for: ruvo's working folder or an install folder.
    if (options.cleanupWholeTree ? !isFile(joinPath(folder, L"sea_loc")) : !isFile(joinPath(folder, kUninstallerName)))
        return 0;
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (options.cleanupWholeTree) {
            if (removeTree(folder) || !isFolder(folder)) return 0;
        } else {
            const std::wstring uninstaller = joinPath(folder, kUninstallerName);
            if (removeFile(uninstaller)) {
                ::RemoveDirectoryW(folder.c_str());
                return 0;
            }
        }
        ::Sleep(250);
    }
    return 0;
}

}  // namespace quillsetup

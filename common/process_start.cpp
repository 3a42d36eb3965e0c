#include "common/process_start.h"

namespace velmora {

namespace {

// Console handles of Windows 7 and earlier are pseudo handles (low bits 3): a child on the same
// console has them anyway, and the inherit list refuses them.
bool isConsolePseudoHandle(HANDLE handle) { return (reinterpret_cast<ULONG_PTR>(handle) & 3) == 3; }

// Inheritable duplicates of the standard handles, each distinct handle once. Fixed arrays: the
// installer stub counts every byte.
class InheritedHandles {
public:
    explicit InheritedHandles(const StandardHandles& handles) {
        copies_.input = copy(handles.input);
        copies_.output = copy(handles.output);
        copies_.error = copy(handles.error);
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    ~InheritedHandles() {
        for (size_t i = 0; i < count_; ++i) ::CloseHandle(copied_[i]);
    }

    const StandardHandles& copies() const { return copies_; }
    HANDLE* list() { return listed_; }
    size_t listSize() const { return listSize_; }

private:
    HANDLE copy(HANDLE original) {
        if (!isUsableHandle(original)) return nullptr;
        for (size_t i = 0; i < count_; ++i)
            if (originals_[i] == original) return copied_[i];
        HANDLE duplicate = nullptr;
        HANDLE self = ::GetCurrentProcess();
        if (!::DuplicateHandle(self, original, self, &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS)) return nullptr;
        originals_[count_] = original;
        copied_[count_++] = duplicate;
        if (!isConsolePseudoHandle(duplicate)) listed_[listSize_++] = duplicate;
        return duplicate;
    }

    StandardHandles copies_;
    HANDLE originals_[3] = {};
    HANDLE copied_[3] = {};
    HANDLE listed_[3] = {};
    size_t count_ = 0;
    size_t listSize_ = 0;
};

// Room for one attribute, the handle list.
class AttributeList {
public:
    AttributeList() = default;
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;
    ~AttributeList() {
        if (list_) ::DeleteProcThreadAttributeList(list_);
        if (storage_) ::HeapFree(::GetProcessHeap(), 0, storage_);
    }

    // Only the given handles are inherited; they must be inheritable.
    bool inheritOnly(HANDLE* handles, size_t count) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_ = ::HeapAlloc(::GetProcessHeap(), 0, size);
        auto* list = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_);
        if (!list || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
        list_ = list;
        return ::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, count * sizeof(HANDLE),
                                           nullptr, nullptr) != FALSE;
    }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    void* storage_ = nullptr;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

StandardHandles ownStandardHandles() {
    return {::GetStdHandle(STD_INPUT_HANDLE), ::GetStdHandle(STD_OUTPUT_HANDLE), ::GetStdHandle(STD_ERROR_HANDLE)};
}

bool isUsableHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

StartedProcess startProcess(const ProcessStart& start) {
    STARTUPINFOEXW startup{};
    if (start.startupInfo) startup.StartupInfo = *start.startupInfo;
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    startup.StartupInfo.lpReserved = nullptr;
    startup.StartupInfo.cbReserved2 = 0;
    startup.StartupInfo.lpReserved2 = nullptr;
    DWORD flags = start.creationFlags;
    BOOL inherit = FALSE;

    InheritedHandles handles(start.useStandardHandles ? start.standardHandles : StandardHandles{});
    AttributeList attributes;
    if (start.useStandardHandles) {
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = handles.copies().input;
        startup.StartupInfo.hStdOutput = handles.copies().output;
        startup.StartupInfo.hStdError = handles.copies().error;
        if (handles.listSize() != 0) {
            if (!attributes.inheritOnly(handles.list(), handles.listSize())) {
                StartedProcess failed;
                failed.error = ::GetLastError();
                return failed;
            }
            startup.StartupInfo.cb = sizeof startup;
            startup.lpAttributeList = attributes.get();
            flags |= EXTENDED_STARTUPINFO_PRESENT;
            inherit = TRUE;
        } else if (isUsableHandle(handles.copies().output) || isUsableHandle(handles.copies().error) ||
                   isUsableHandle(handles.copies().input)) {
            inherit = TRUE;  // console pseudo handles only, which no list may name
        }
    } else {
        startup.StartupInfo.dwFlags &= ~STARTF_USESTDHANDLES;
    }

    std::wstring commandLine = start.commandLine;  // the call may write to it
    PROCESS_INFORMATION info{};
    StartedProcess started;
    if (!::CreateProcessW(start.applicationName.empty() ? nullptr : start.applicationName.c_str(), commandLine.data(),
                          nullptr, nullptr, inherit, flags, nullptr,
                          start.workingDirectory.empty() ? nullptr : start.workingDirectory.c_str(),
                          &startup.StartupInfo, &info)) {
        started.error = ::GetLastError();
        return started;
    }
    started.process.reset(info.hProcess);
    started.thread.reset(info.hThread);
    started.processId = info.dwProcessId;
    started.succeeded = true;
    return started;
}

DWORD waitForExit(HANDLE process, DWORD fallback) {
    ::WaitForSingleObject(process, INFINITE);
    DWORD code = fallback;
    if (!::GetExitCodeProcess(process, &code)) code = fallback;
    return code;
}

}  // namespace velmora

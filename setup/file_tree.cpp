#include "setup/file_tree.h"

#include <aclapi.h>

#include "common/unique_handle.h"

namespace quillsetup {

std::wstring joinPath(const std::wstring& folder, const std::wstring& relative) {
    if (folder.empty()) return relative;
    if (relative.empty()) return folder;
    return folder.back() == L'\\' ? folder + relative : folder + L"\\" + relative;
}

std::wstring parentOf(const std::wstring& path) {
    size_t end = path.size();
    while (end > 0 && (path[end - 1] == L'\\' || path[end - 1] == L'/')) --end;
    const size_t cut = path.find_last_of(L"\\/", end ? end - 1 : 0);
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

std::wstring fullPathOf(const std::wstring& path) {
    DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    size = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(size);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    return full;
}

std::wstring ownProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

bool isFile(const std::wstring& path) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFolder(const std::wstring& path) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool readWholeFile(const std::wstring& path, std::string& bytes) {
    velmora::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size)) return false;
    if (size.QuadPart > (64 << 20)) {
        ::SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() || (::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                             read == bytes.size());
}

bool writeWholeFile(const std::wstring& path, const std::string& bytes) {
    velmora::UniqueFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!bytes.empty() &&
        (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size()))
        return false;
    return ::FlushFileBuffers(file.get()) != 0;
}

bool createFolders(const std::wstring& path) {
    if (path.empty() || isFolder(path)) return true;
    const std::wstring parent = parentOf(path);
    if (!parent.empty() && parent != path && !createFolders(parent)) return false;
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

namespace {

// Calls `visit` for each entry of `folder` (not "." and "..").
template <typename Visit>
bool forEachEntry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW data;
    velmora::UniqueFindHandle find(::FindFirstFileW(joinPath(folder, L"*").c_str(), &data));
    if (!find) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        ok = visit(name, data) && ok;
    } while (::FindNextFileW(find.get(), &data));
    return ok;
}

bool listBelow(const std::wstring& root, const std::wstring& relative, std::vector<std::wstring>& files,
               uint64_t& bytes) {
    return forEachEntry(joinPath(root, relative), [&](const std::wstring& name, const WIN32_FIND_DATAW& data) {
        const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        // A link to a folder elsewhere is listed as itself, never followed.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return listBelow(root, path, files, bytes);
        files.push_back(path);
        bytes += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        return true;
    });
}

void clearReadOnly(const std::wstring& path) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

}  // namespace

bool listFiles(const std::wstring& root, std::vector<std::wstring>& files, uint64_t* bytes) {
    uint64_t total = 0;
    files.clear();
    const bool ok = listBelow(root, L"", files, total);
    if (bytes) *bytes = total;
    return ok;
}

bool removeFile(const std::wstring& path) {
    if (::DeleteFileW(path.c_str())) return true;
    clearReadOnly(path);
    if (::DeleteFileW(path.c_str())) return true;
    // Gone already, or with its whole folder: nothing is left to remove.
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool removeTree(const std::wstring& path, std::vector<std::wstring>* left) {
    if (!isFolder(path)) return !isFile(path) || removeFile(path) || (left && (left->push_back(path), false));
    const bool contents = forEachEntry(path, [&](const std::wstring& name, const WIN32_FIND_DATAW& data) {
        const std::wstring full = joinPath(path, name);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return removeTree(full, left);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(full.c_str()) : removeFile(full))
            return true;
        if (left) left->push_back(full);
        return false;
    });
    clearReadOnly(path);
    if (::RemoveDirectoryW(path.c_str())) return contents;
    if (contents && left) left->push_back(path);
    return false;
}

bool moveFile(const std::wstring& from, const std::wstring& to) {
    if (::MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    if (::GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
    return ::CopyFileW(from.c_str(), to.c_str(), TRUE) && removeFile(from);
}

namespace {

struct CopyProgress {
    const std::function<void(uint64_t)>* report;
    uint64_t done;
};

DWORD CALLBACK copyProgress(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                            HANDLE, HANDLE, LPVOID data) {
    auto* progress = static_cast<CopyProgress*>(data);
    if (*progress->report) (*progress->report)(progress->done + static_cast<uint64_t>(transferred.QuadPart));
    return PROGRESS_CONTINUE;
}

bool copyBelow(const std::wstring& from, const std::wstring& to, CopyProgress& progress) {
    if (!::CreateDirectoryW(to.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    bool failed = false;
    forEachEntry(from, [&](const std::wstring& name, const WIN32_FIND_DATAW& data) {
        if (failed) return false;
        const std::wstring source = joinPath(from, name), target = joinPath(to, name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            failed = !copyBelow(source, target, progress);
        } else {
            failed = !::CopyFileExW(source.c_str(), target.c_str(), copyProgress, &progress, nullptr,
                                    COPY_FILE_FAIL_IF_EXISTS);
            progress.done += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
        return !failed;
    });
    return !failed;
}

}  // namespace

bool moveTree(const std::wstring& from, const std::wstring& to, const std::function<void(uint64_t)>& progress) {
    if (::MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    const DWORD error = ::GetLastError();
    // Another volume; a folder that cannot be renamed as a whole (a file of it open) is copied too.
    if (error != ERROR_NOT_SAME_DEVICE && error != ERROR_ACCESS_DENIED) return false;
    CopyProgress state{&progress, 0};
    if (copyBelow(from, to, state)) return true;
    const DWORD copyError = ::GetLastError();
    removeTree(to);
    ::SetLastError(copyError);
    return false;
}

bool fileInUse(const std::wstring& path) {
    velmora::UniqueFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

namespace {

bool resetOne(const std::wstring& path) {
    ACL empty;
    if (!::InitializeAcl(&empty, sizeof empty, ACL_REVISION)) return false;
    std::wstring name = path;
    const DWORD result = ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                                 DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                                 nullptr, nullptr, &empty, nullptr);
    ::SetLastError(result);
    return result == ERROR_SUCCESS;
}

}  // namespace

bool resetToInheritedPermissions(const std::wstring& root) {
    bool ok = resetOne(root);
    if (isFolder(root))
        forEachEntry(root, [&](const std::wstring& name, const WIN32_FIND_DATAW&) {
            ok = resetToInheritedPermissions(joinPath(root, name)) && ok;
            return true;
        });
    return ok;
}

}  // namespace quillsetup

#include "memory_files.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

#include "io.h"
#include "windows.h"

namespace memory_files {
namespace {

struct Node {
    bool directory = false;
    std::vector<unsigned char> data;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
};

struct Descriptor {
    std::string key;
    long position = 0;
    bool writable = false;
};

struct State {
    std::map<std::string, Node> nodes;  // keyed by the resolved path in lower case
    std::map<int, Descriptor> descriptors;
    int nextDescriptor = 3;
    size_t stored = 0;
    State() { reset(); }
    void reset() {
        nodes.clear();
        descriptors.clear();
        nextDescriptor = 3;
        stored = 0;
        nodes["/"].directory = true;
        nodes[kWorkingFolder].directory = true;
    }
};

State& state() {
    static State s;
    return s;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The file system ignores letter case (ASCII is enough for the fuzz inputs' effect).
std::string keyOf(const std::string& resolved) {
    std::string key = resolved;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

std::string parentOf(const std::string& key) {
    size_t slash = key.rfind('/');
    return slash == 0 ? "/" : key.substr(0, slash);
}

[[noreturn]] void escape(const char* call, const std::wstring& path, const std::string& resolved) {
    std::fprintf(stderr, "memory_files: %s writes outside %s: \"%s\" resolves to \"%s\"\n", call, kWorkingFolder,
                 narrow(path).c_str(), resolved.empty() ? "(above the root)" : resolved.c_str());
    std::abort();
}

// The key for a path that is about to be changed; aborts unless strictly below the working folder.
std::string writableKey(const char* call, const std::wstring& path) {
    std::string resolved = Resolve(path);
    std::string key = keyOf(resolved);
    // A name that trims away to nothing names the working folder itself; the call then
    // fails as it does on Windows, which is no escape.
    std::string prefix = std::string(kWorkingFolder) + "/";
    if (key != kWorkingFolder && (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0))
        escape(call, path, resolved);
    return key;
}

Node* find(const std::string& key) {
    auto it = state().nodes.find(key);
    return it == state().nodes.end() ? nullptr : &it->second;
}

bool isOpen(const std::string& key) {
    for (const auto& [fd, d] : state().descriptors)
        if (d.key == key) return true;
    return false;
}

Descriptor* descriptor(int fd) {
    auto it = state().descriptors.find(fd);
    return it == state().descriptors.end() ? nullptr : &it->second;
}

int fail(int error) {
    errno = error;
    return -1;
}

}  // namespace

void Reset() { state().reset(); }

void AddFile(const std::string& path, std::vector<unsigned char> bytes) {
    std::string key = keyOf(path);
    for (size_t slash = key.find('/', 1); slash != std::string::npos; slash = key.find('/', slash + 1))
        state().nodes[key.substr(0, slash)].directory = true;
    Node& node = state().nodes[key];
    state().stored += bytes.size();
    node.data = std::move(bytes);
    node.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
}

size_t FileCount() {
    size_t n = 0;
    for (const auto& [key, node] : state().nodes) n += node.directory ? 0 : 1;
    return n;
}
size_t StoredBytes() { return state().stored; }
size_t OpenDescriptors() { return state().descriptors.size(); }

std::string Resolve(const std::wstring& path) {
    std::string text = narrow(path);
    for (char& c : text)
        if (c == '\\') c = '/';
    if (text.empty() || text[0] != '/') text = std::string(kWorkingFolder) + "/" + text;
    const bool endsWithSeparator = text.back() == '/';
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.empty()) return "";
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    // Windows trims trailing dots and spaces from the last component only, after the
    // relative components are gone; what remains of "..." or ".. " names nothing.
    if (!parts.empty() && !endsWithSeparator) {
        std::string& last = parts.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
        if (last.empty()) parts.pop_back();
    }
    std::string out;
    for (const auto& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

}  // namespace memory_files

using namespace memory_files;

int _wopen(const wchar_t* path, int flags, ...) {
    const bool writing = (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
    std::string key = writing ? writableKey("_wopen", path) : keyOf(Resolve(path));
    if (key.empty()) return fail(ENOENT);
    Node* node = find(key);
    if (node && node->directory) return fail(EACCES);
    if (node && (flags & O_CREAT) && (flags & O_EXCL)) return fail(EEXIST);
    if (!node) {
        if (!(flags & O_CREAT)) return fail(ENOENT);
        Node* parent = find(parentOf(key));
        if (!parent || !parent->directory) return fail(ENOENT);
        node = &state().nodes[key];
    } else if (writing && (node->attributes & FILE_ATTRIBUTE_READONLY)) {
        return fail(EACCES);
    }
    if (flags & O_TRUNC) {
        state().stored -= node->data.size();
        node->data.clear();
    }
    int fd = state().nextDescriptor++;
    state().descriptors[fd] = Descriptor{key, 0, writing};
    return fd;
}

int _close(int fd) { return state().descriptors.erase(fd) ? 0 : fail(EBADF); }

int _read(int fd, void* buffer, unsigned count) {
    Descriptor* d = descriptor(fd);
    if (!d) return fail(EBADF);
    const auto& data = state().nodes[d->key].data;
    if (d->position >= static_cast<long>(data.size())) return 0;
    size_t n = std::min(static_cast<size_t>(count), data.size() - static_cast<size_t>(d->position));
    std::memcpy(buffer, data.data() + d->position, n);
    d->position += static_cast<long>(n);
    return static_cast<int>(n);
}

int _write(int fd, const void* buffer, unsigned count) {
    Descriptor* d = descriptor(fd);
    if (!d || !d->writable) return fail(EBADF);
    auto& data = state().nodes[d->key].data;
    size_t end = static_cast<size_t>(d->position) + count;
    size_t growth = end > data.size() ? end - data.size() : 0;
    if (state().stored + growth > kCapacity) return fail(ENOSPC);
    if (growth) data.resize(end);
    state().stored += growth;
    if (count) std::memcpy(data.data() + d->position, buffer, count);
    d->position += static_cast<long>(count);
    return static_cast<int>(count);
}

long _lseek(int fd, long offset, int origin) {
    Descriptor* d = descriptor(fd);
    if (!d) return fail(EBADF);
    long base = origin == SEEK_SET ? 0
                : origin == SEEK_CUR ? d->position
                                     : static_cast<long>(state().nodes[d->key].data.size());
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return fail(EINVAL);
    if (offset < 0 && base < -offset) return fail(EINVAL);
    d->position = base + offset;
    return d->position;
}

long _filelength(int fd) {
    Descriptor* d = descriptor(fd);
    if (!d) return fail(EBADF);
    return static_cast<long>(state().nodes[d->key].data.size());
}

int _wstat(const wchar_t* path, struct _stat* info) {
    Node* node = find(keyOf(Resolve(path)));
    if (!node) return fail(ENOENT);
    info->st_size = static_cast<int64_t>(node->data.size());
    info->st_mtim = timespec{1262304000, 0};  // 2010-01-01
    return 0;
}

int _wmkdir(const wchar_t* path) {
    std::string key = writableKey("_wmkdir", path);
    if (find(key)) return fail(EEXIST);
    Node* parent = find(parentOf(key));
    if (!parent || !parent->directory) return fail(ENOENT);
    state().nodes[key].directory = true;
    return 0;
}

int _wunlink(const wchar_t* path) {
    std::string key = writableKey("_wunlink", path);
    Node* node = find(key);
    if (!node) return fail(ENOENT);
    if (node->directory || isOpen(key) || (node->attributes & FILE_ATTRIBUTE_READONLY)) return fail(EACCES);
    state().stored -= node->data.size();
    state().nodes.erase(key);
    return 0;
}

int _wrename(const wchar_t* from, const wchar_t* to) {
    std::string source = writableKey("_wrename", from), target = writableKey("_wrename", to);
    Node* node = find(source);
    if (!node) return fail(ENOENT);
    if (find(target)) return fail(EEXIST);
    Node* parent = find(parentOf(target));
    if (!parent || !parent->directory) return fail(ENOENT);
    if (node->directory || isOpen(source)) return fail(EACCES);
    Node moved = std::move(*node);
    state().nodes.erase(source);
    state().nodes[target] = std::move(moved);
    return 0;
}

intptr_t _get_osfhandle(int fd) { return descriptor(fd) ? fd : -1; }

DWORD GetFileAttributesW(const wchar_t* path) {
    Node* node = find(keyOf(Resolve(path)));
    if (!node) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return node->directory ? FILE_ATTRIBUTE_DIRECTORY : node->attributes;
}

BOOL SetFileAttributesW(const wchar_t* path, DWORD attributes) {
    Node* node = find(writableKey("SetFileAttributesW", path));
    if (!node) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!node->directory) node->attributes = attributes & ~FILE_ATTRIBUTE_DIRECTORY;
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME*, const FILETIME*, const FILETIME*) {
    Descriptor* d = descriptor(static_cast<int>(reinterpret_cast<intptr_t>(file)));
    return d && d->writable ? TRUE : FALSE;
}

BOOL DosDateTimeToFileTime(WORD date, WORD time, FILETIME* out) {
    tm t{};
    t.tm_year = (date >> 9) + 80;
    t.tm_mon = ((date >> 5) & 15) - 1;
    t.tm_mday = date & 31;
    t.tm_hour = time >> 11;
    t.tm_min = (time >> 5) & 63;
    t.tm_sec = (time & 31) * 2;
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59)
        return FALSE;
    uint64_t ticks = static_cast<uint64_t>(timegm(&t)) * 10000000u + 116444736000000000ull;
    out->dwLowDateTime = static_cast<DWORD>(ticks);
    out->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return TRUE;
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone) {
    *zone = TIME_ZONE_INFORMATION{};
    return TIME_ZONE_ID_UNKNOWN;
}

// The handle-based file calls are not part of the in-memory file system: no fuzz target
// reaches them, and they fail as a missing file would.
HANDLE CreateFileW(const wchar_t*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return INVALID_HANDLE_VALUE;
}
BOOL ReadFile(HANDLE, void*, DWORD, DWORD* got, OVERLAPPED*) {
    if (got) *got = 0;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}
BOOL WriteFile(HANDLE, const void*, DWORD, DWORD* written, OVERLAPPED*) {
    if (written) *written = 0;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}
BOOL DeleteFileW(const wchar_t*) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}
BOOL MoveFileExW(const wchar_t*, const wchar_t*, DWORD) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

#include "tests/support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "common/unique_handle.h"
#else
#include <random>
#endif

namespace velmora::test {

#ifndef _WIN32
TempFolder::TempFolder() {
    std::random_device random;
    std::filesystem::path made;
    do made = std::filesystem::temp_directory_path() / ("vtest-" + std::to_string(random()));
    while (!std::filesystem::create_directory(made));
    path_ = made.native();
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}
#else

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    for (;;) {
        path_ = std::wstring(base) + L"vtest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(counter++);
        if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a temporary folder");
    }
}

TempFolder::~TempFolder() { removeTree(path_); }

std::wstring TempFolder::makeFolder(const std::wstring& relative) const {
    std::wstring full = path_;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find(L'\\', start);
        if (slash == std::wstring::npos) slash = relative.size();
        full += L"\\" + relative.substr(start, slash - start);
        ::CreateDirectoryW(full.c_str(), nullptr);
        start = slash + 1;
    }
    return full;
}

std::wstring TempFolder::write(const std::wstring& relative, const std::string& bytes) const {
    size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos) makeFolder(relative.substr(0, slash));
    std::wstring full = *this / relative;
    writeFileBytes(full, bytes);
    return full;
}

std::string TempFolder::read(const std::wstring& relative) const { return readFileBytes(*this / relative); }

std::string readFileBytes(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file) throw std::runtime_error("cannot open a file for reading");
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) throw std::runtime_error("cannot create a file");
    DWORD written = 0;
    if (!bytes.empty()) ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool fileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(path.c_str());
}
#endif

}  // namespace velmora::test

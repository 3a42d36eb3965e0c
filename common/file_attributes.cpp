#include "common/file_attributes.h"

#include <windows.h>

namespace velmora {

bool fileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring currentDirectory() {
    // A failing first call asks for nothing, and the second then fails too.
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring text(needed, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(needed, text.data());
    text.resize(length < needed ? length : 0);
    return text;
}

}  // namespace velmora

#pragma once
// What the file system says about a path, for both programs; no decisions here.
#include <string>

namespace velmora {

bool fileExists(const std::wstring& path);  // files and folders alike
bool isDirectory(const std::wstring& path);
bool isFile(const std::wstring& path);  // exists and is not a folder
// Empty when the system cannot tell.
std::wstring currentDirectory();

}  // namespace velmora

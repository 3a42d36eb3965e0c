#pragma once
// Thin adapters over the file system calls the self-extractor makes; no decisions here.
#include <windows.h>

#include <string>

#include "common/file_attributes.h"

namespace ruvo {

// GetModuleFileNameW of the module (null: the program's file), without length limit.
std::wstring ModulePath(HMODULE module);
// The part after the last separator.
std::wstring FileNameOf(const std::wstring& path);
inline std::wstring CurrentDirectory() { return velmora::currentDirectory(); }

inline bool FileExists(const std::wstring& path) { return velmora::fileExists(path); }  // files and folders alike
inline bool IsDirectory(const std::wstring& path) { return velmora::isDirectory(path); }
inline bool IsFile(const std::wstring& path) { return velmora::isFile(path); }  // exists and is not a folder
// Name of the first entry matching the pattern (a path with wildcards); empty when none.
std::wstring FirstMatch(const std::wstring& pattern);

// A string resource of the module (null: the program's file), 510 characters at most.
std::wstring LoadText(HINSTANCE module, UINT id);

bool ReadWholeFile(const std::wstring& path, std::string& bytes);

// One line to the process's standard output, when it has one.
void WriteStandardOutputLine(const char* text);

}  // namespace ruvo

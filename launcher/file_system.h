#pragma once
// Path operations that ask the file system.
#include <string>

#include "common/file_attributes.h"

namespace velmora::launcher {

inline bool exists(const std::wstring& path) { return fileExists(path); }
using velmora::currentDirectory;
using velmora::isDirectory;
using velmora::isFile;
// The long form when the text contains '~' and the system can give it; else the text.
std::wstring longForm(const std::wstring& text);
// Separators collapsed, then the long form.
std::wstring normalisePath(const std::wstring& text);
// The system's full path (260 characters at most); texts starting with '/' and paths that
// do not fit stay unchanged.
std::wstring fullPath(const std::wstring& text, bool wantLongForm);
// A relative `text` resolved against `folder` rather than the current directory; other texts
// as fullPath gives them.
std::wstring fullPathIn(const std::wstring& folder, const std::wstring& text, bool wantLongForm);
// The temporary folder, ending in a backslash. When the system's one does not exist (a removed
// drive, a stale profile), C:\Temp, created when missing, as the self-extractor takes then;
// empty when neither can be had.
std::wstring temporaryFolder();

}  // namespace velmora::launcher

#pragma once
// Files and folders as the engine moves them: small adapters over the file system, each
// returning true/false and leaving the reason in GetLastError.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillsetup {

std::wstring joinPath(const std::wstring& folder, const std::wstring& relative);
std::wstring parentOf(const std::wstring& path);
std::wstring fullPathOf(const std::wstring& path);
// This program's file.
std::wstring ownProgramPath();

bool isFile(const std::wstring& path);
bool isFolder(const std::wstring& path);

bool readWholeFile(const std::wstring& path, std::string& bytes);
// Written through and flushed: a full disk shows here, not later.
bool writeWholeFile(const std::wstring& path, const std::string& bytes);

// The folder and every missing parent.
bool createFolders(const std::wstring& path);

// Every file below `root`, as relative paths; `bytes` (when given) gets their total size.
bool listFiles(const std::wstring& root, std::vector<std::wstring>& files, uint64_t* bytes = nullptr);

// Read-only files too. What cannot go is added to `left` and the rest still goes.
bool removeFile(const std::wstring& path);
bool removeTree(const std::wstring& path, std::vector<std::wstring>* left = nullptr);

// A rename where both are on one volume, else a copy (then the source is removed).
// `progress` gets the bytes copied so far.
bool moveFile(const std::wstring& from, const std::wstring& to);
bool moveTree(const std::wstring& from, const std::wstring& to, const std::function<void(uint64_t)>& progress);

// Open by another process in a way that stops a replacement (a running program, an open jar).
bool fileInUse(const std::wstring& path);

// Every file and folder below `root` (and itself) takes only the permissions it inherits.
bool resetToInheritedPermissions(const std::wstring& root);

}  // namespace quillsetup

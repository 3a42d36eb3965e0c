#pragma once
// The registry as the engine uses it: keys of HKCU or HKLM (the 64-bit view), written value by
// value, read back one string at a time, removed with everything below them.
#include <windows.h>

#include <string>
#include <vector>

#include "setup/system_entries.h"

namespace quillsetup {

bool writeKeyValues(HKEY root, const RegistryKeyValues& key);
bool readString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& value);
bool removeKeyTree(HKEY root, const std::wstring& path);
bool removeValue(HKEY root, const std::wstring& path, const std::wstring& name);
// Removes the key when nothing is left in it (no values, no subkeys).
void removeKeyIfEmpty(HKEY root, const std::wstring& path);

}  // namespace quillsetup

#pragma once
// Reading and appending properties files on disk.
#include <string>
#include <vector>

#include "file_rules/property_set.h"

namespace velmora::launcher {

// The whole file: FileException with `openFailure` when it cannot be opened, and with
// "could not open file for read" when it cannot be read.
std::string readFileBytes(const std::wstring& path, const std::wstring& openFailure);

// Raises FileException when the file cannot be opened or read.
void loadPropertiesFile(PropertySet& set, const std::wstring& path);

// One open, append, close cycle; creates the file when missing. Lines carry their own "\n".
void appendPropertyLines(const std::wstring& path, const std::vector<std::wstring>& lines);

}  // namespace velmora::launcher

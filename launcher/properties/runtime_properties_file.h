#pragma once
// The per-run scratch properties file handed to the Java program.
#include <string>
#include <vector>

namespace velmora::launcher {

// Creates the file (prefix "kiv", unique name in the temporary folder) on first call.
const std::wstring& runtimePropertiesPath();

void appendRuntimeProperties(const std::vector<std::wstring>& lines);

}  // namespace velmora::launcher

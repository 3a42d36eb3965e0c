#pragma once
// Reading a VM specification file from disk.
#include <string>

#include "file_rules/vm_spec_file.h"

namespace velmora::launcher {

// Raises FileException "could not open file for read" when the file cannot be read.
void parseVmSpec(const std::wstring& path, VmSpec& spec);

}  // namespace velmora::launcher

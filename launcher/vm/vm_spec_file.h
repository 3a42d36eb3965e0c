#pragma once
// VM specification files: where to look for an acceptable VM (registry values, folders),
// which executable to expect below its home, and which system properties it must report.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/vm/vm_validation.h"

namespace velmora::launcher {

struct VmSpec {
    // Single-valued keys ("JVM_EXE:", "DESC:", ...) with their last value. They survive the
    // parse of a later file that does not set them.
    std::map<std::wstring, std::wstring> values;
    PropertyChecks propertyChecks;           // name -> expected value; the first line for a name wins
    std::vector<std::wstring> registryHints;  // in file order
    std::vector<std::wstring> pathHints;      // in file order

    std::wstring value(const std::wstring& key) const;
    std::wstring jvmExe() const { return value(L"JVM_EXE:"); }
};

// One file's bytes, one character per byte, CR LF or LF line ends. Clears the checks and
// both hint lists first, not the single values.
void parseVmSpecText(std::string_view bytes, VmSpec& spec);

// Raises FileException "could not open file for read" when the file cannot be read.
void parseVmSpec(const std::wstring& path, VmSpec& spec);

// Characters up to U+0020 removed at both ends.
std::wstring trimmedText(std::wstring_view text);

}  // namespace velmora::launcher

// Reading a VM specification file from disk, apart from the parser, which needs no system call.
#include "launcher/vm/vm_spec_file_reader.h"

#include "launcher/properties/properties_file.h"

namespace velmora::launcher {

void parseVmSpec(const std::wstring& path, VmSpec& spec) {
    parseVmSpecText(readFileBytes(path, L"could not open file for read"), spec);
}

}  // namespace velmora::launcher

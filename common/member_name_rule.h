#pragma once
// Which archive member names may be written below an extraction folder. The installer's
// engine and the VM pack reader apply this one rule. Portable: no system header.
#include <string_view>

namespace velmora {

// True when every component (separated by '/' or '\') names a plain file or folder below
// the extraction folder, and the file written is the one named: no absolute or UNC path, no
// drive or stream (':'), no ".." or other component ending in a dot or a space, no empty
// component (one trailing separator marks a folder), no device name with or without an
// extension.
bool isSafeMemberName(std::wstring_view name);

}  // namespace velmora

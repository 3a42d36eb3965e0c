#pragma once
// Which launcher an installer's self-extractor starts, from the names of the payload's files.
#include <string>
#include <vector>

namespace ruvo_pack {

// `names` are relative, '/'-separated; `installerName` is the installer's base name (may be
// empty). The self-extractor takes Windows/NAME.exe, else the first .exe in
// Windows_Pure_64_Bit/, else the first in Windows/, "first" as a directory listing of an NTFS
// volume orders them (by upper-cased name); Windows finds every name in any letter case. The
// name as stored, or empty when there is none.
std::string chosenLauncher(const std::vector<std::string>& names, const std::string& installerName);

}  // namespace ruvo_pack

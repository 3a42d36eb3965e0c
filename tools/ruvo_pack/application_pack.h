#pragma once
// ruvo-pack in application mode: lays out the payload in a temporary folder (the launcher,
// a generated .kiv file, the application's files, the runtime), checks it and packs it.
#include <filesystem>
#include <string>
#include <vector>

namespace ruvo_pack {

// The arguments without the program name, @FILEs expanded; `programFolder` holds ruvo-pack itself, from which
// the shipped stub and launchers are found. 0 packed, 1 failed, 2 refused (nothing written).
int runApplicationMode(const std::vector<std::string>& arguments, const std::filesystem::path& programFolder);

}  // namespace ruvo_pack

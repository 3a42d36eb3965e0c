#pragma once
// The command-line side of the installer check: `ruvo-pack --check`, and the check that runs
// before packing unless `--no-check` is given.
#include <string>
#include <vector>

#include "tools/ruvo_pack/packer.h"

namespace ruvo_pack {

enum class CheckMode { PackChecked, CheckOnly, PackUnchecked };

struct CheckRequest {
    CheckMode mode = CheckMode::PackChecked;
    std::vector<std::string> rest;  // the arguments without --check and --no-check
};

CheckRequest takeCheckOptions(const std::vector<std::string>& arguments);

// ruvo-pack --check [--out NAME.exe] FOLDER: every finding and a summary on standard output.
// 0 without errors, 1 with errors, 2 for a usage error.
int runCheckCommand(const std::vector<std::string>& arguments);

// Errors and warnings on standard error, the same findings that --check counts. False when
// there are errors and they block (nothing is packed then); with --no-check they are printed
// as not blocking. A folder whose launcher is its only program is started by an installer of
// any name: then the installer's name is not judged.
enum class InstallerNaming { Judged, AnyName };
bool checkBeforePacking(const PackOptions& options, bool blocking = true,
                        InstallerNaming naming = InstallerNaming::Judged);

// The lines that usageText() lacks for these options.
std::string checkUsageText();
// --help: every option, then the environment.
std::string fullUsageText();

}  // namespace ruvo_pack

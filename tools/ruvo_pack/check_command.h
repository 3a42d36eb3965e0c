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

// Errors and warnings on standard error; false when there are errors (nothing is packed then).
bool checkBeforePacking(const PackOptions& options);

// The lines that usageText() lacks for these options.
std::string checkUsageText();

}  // namespace ruvo_pack

#pragma once
// The installer check of jvmspecs/jvmspecs.properties beside the launcher and of the VM
// specification files it names.
#include <string>

#include "tools/ruvo_pack/check_context.h"

namespace ruvo_pack {

// `kivFolder` is the launcher's current folder, against which the specification files resolve.
void checkBuildOptions(CheckContext& ctx, const std::string& launcherFolder, const std::string& kivFolder);

}  // namespace ruvo_pack

#pragma once
// The parts of the folder check that an installing installer's payload needs: the setup engine
// alone where the self-extractor starts a program, its settings, the application in app/; and,
// for every payload, the Class-Path of each jar's manifest.
#include <string>
#include <vector>

#include "tools/ruvo_pack/check_context.h"

namespace ruvo_pack {

// Whether the folder of the program the self-extractor starts holds the engine's settings.
bool isEngineLayout(const CheckContext& ctx, const std::string& launcherFolder);

// Judges the engine's folder and settings; the application's launcher, folder-relative
// ("app/MyApp.exe"), for the launcher's own checks, or empty when there is none to check.
std::string checkEngineLayout(CheckContext& ctx, const std::string& engineFolder);

// Warnings for a jar whose manifest's Class-Path names an absolute path or a file outside the
// payload: the VM resolves it on the user's machine, where it does not exist.
void checkManifestClassPaths(CheckContext& ctx, const std::vector<std::string>& jars);

}  // namespace ruvo_pack

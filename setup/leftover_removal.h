#pragma once
// What a running program cannot remove itself: ruvo's working folder holding setup.exe (and held
// as ruvo's current folder until ruvo ends), and the uninstaller in the install folder. A copy
// of the engine, opened for deletion on close and started with that handle, waits for those
// processes to end, removes the folder, and is deleted by the system when it ends.
#include <windows.h>

#include <string>
#include <vector>

#include "setup/setup_options.h"

namespace quillsetup {

// ruvo's working folder when this program runs from one (<folder>\Windows_Pure_64_Bit\setup.exe
// beside <folder>\sea_loc), else empty.
std::wstring ruvoWorkingFolder(const std::wstring& ownPath);

// Starts the copy; `wholeTree`: remove `folder` with everything in it (ruvo's working folder),
// else the uninstaller in it and the folder when empty. Waits also for the parent process when
// that is the installer named by `installerPath` (ruvo, which holds the folder as current).
bool scheduleRemoval(const std::wstring& folder, bool wholeTree, const std::wstring& installerPath);

// The copy's run.
int runCleanup(const SetupOptions& options);

}  // namespace quillsetup

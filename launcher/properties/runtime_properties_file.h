#pragma once
// The per-run scratch properties file handed to the Java program.
#include <functional>
#include <string>
#include <vector>

namespace velmora::launcher {

// Creates the file in the temporary folder on first call: a unique "kiv" name from the
// system, else "kiv" + a GUID, and marks it as in use for as long as the launcher runs.
// Raises FileException naming the folder and the system's reason when no file can be created.
const std::wstring& runtimePropertiesPath();

// Removes this run's scratch file, when one was created, once nothing of the run needs it:
// it holds the whole environment. Best effort; a file the program still holds open goes when
// the program lets go of it.
void removeRuntimePropertiesFile();

void appendRuntimeProperties(const std::vector<std::wstring>& lines);

// Beside the scratch file, with its name and ".args": the argument file for the Java VM, which
// the sweep removes as it removes scratch files.
const std::wstring& argumentFilePath();
// Writes the arguments to that file, replacing what an earlier launch of this run wrote.
// Raises FileException when it cannot be written.
void writeArgumentFile(const std::vector<std::wstring>& arguments);

// Removes, best effort and within the bounds of scratch_file_rules.h, the launcher's own
// scratch files of earlier runs from `folder` that have not been written for 30 days and
// that nobody has open (a running launcher keeps its own open).
void sweepOldScratchFiles(const std::wstring& folder);
// The same in the temporary folder, at most once a day (listing a crowded folder on every
// start would compete with the VM's own start). Housekeeping: runs once the VM has started.
void sweepScratchFolder();

// The system's unique-name call with the prefix "kiv" (it creates the file); empty when it fails.
std::wstring systemUniqueName(const std::wstring& folder);
using UniqueNameCall = std::function<std::wstring(const std::wstring& folder)>;

// A new empty scratch file in `folder`, its path: the name `uniqueName` gives when that file
// is new, else "kiv" + a GUID + ".tmp".
std::wstring createScratchFile(const std::wstring& folder, const UniqueNameCall& uniqueName);

}  // namespace velmora::launcher

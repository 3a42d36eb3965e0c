#pragma once
// Path hints of VM specification files: a folder below the root of every fixed drive, or,
// with two dots or more, a folder beside the installer that the self-extractor's "sea_loc"
// file locates.
#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

// Half the number of dots: 0 for a drive hint, else how far the hint climbs.
int pathHintLevels(std::wstring_view hint);

// drive + "\" + hint + "\" + jvmExe (not normalised).
std::wstring driveHintExecutable(std::wstring_view drive, std::wstring_view hint, std::wstring_view jvmExe);

// The location recorded in sea_loc: UTF-8 up to the first NUL, a leading byte-order mark
// dropped. It still carries the self-extractor's line feed.
std::wstring seaLocation(std::string_view bytes);

// Cuts the last component off `location` `count` times; a text without "\" stays as it is.
std::wstring cutComponents(std::wstring location, int count);

// The location cut levels + 1 times, then the hint's last component and jvmExe.
std::wstring installerHintExecutable(const std::wstring& location, std::wstring_view hint, int levels,
                                     std::wstring_view jvmExe);

// sea_loc in the parent folder of the Java process's working directory.
std::wstring seaLocFilePath(const std::wstring& workingDirectory);

// The sea_loc location, or false when the file cannot be read.
bool readSeaLocation(const std::wstring& workingDirectory, std::wstring& location);

// "C:", "D:", ... for every fixed drive, from A: upwards. Raises TerminalError when the
// system gives no drives at all.
std::vector<std::wstring> fixedDrives();

inline constexpr const wchar_t* kNoLogicalDrivesText = L"Could not get the logical drives for the windows system";

}  // namespace velmora::launcher

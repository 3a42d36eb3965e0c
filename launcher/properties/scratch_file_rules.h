#pragma once
// Rules for the per-run scratch properties files: the fallback name, and which files of
// earlier runs the launcher may remove from the temporary folder.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::launcher {

// Scratch files are kept for the Java program and whatever it handed the path to; after
// this many days without a write they are taken as abandoned.
constexpr unsigned kScratchKeepDays = 30;
// Bounds of one sweep, so that a crowded temporary folder costs a launch little: names
// looked at, files opened, and bytes read from each.
constexpr unsigned kSweepMaxNames = 4096;
constexpr unsigned kSweepMaxOpened = 256;
constexpr unsigned kSweepReadBytes = 4096;
// A folder is swept at most once a day: this file in it (not a scratch file's name) carries
// the time of the last sweep.
constexpr wchar_t kSweepStampName[] = L"quillrun-sweep.stamp";

// "kiv" + a version-4 GUID made of the 16 random bytes + ".tmp": a name that cannot collide
// when the system's unique names (65,535 per prefix and folder) are used up.
std::wstring guidScratchName(const unsigned char (&random)[16]);

// Whether the first bytes of a file are the launcher's own scratch lines: every complete
// line sets one of the keys the launcher writes there. `wholeFile` says the bytes are the
// whole file, which then ends with a line end as the launcher writes it.
bool isOwnScratchText(std::string_view head, bool wholeFile);

// The first line of the launcher's argument files for the Java VM (a comment to the VM), by
// which the sweep knows them.
inline constexpr std::string_view kArgumentFileMark = "# quillrun: arguments for the Java VM\r\n";
bool isOwnArgumentFileText(std::string_view head);
// The argument file that goes with a scratch file: its name with ".args" for ".tmp".
std::wstring argumentFileNameFor(const std::wstring& scratchPath);

// Whether a file last written at `lastWrite` (FILETIME units) is older than `days` at `now`.
bool olderThanDays(uint64_t lastWrite, uint64_t now, unsigned days);

}  // namespace velmora::launcher

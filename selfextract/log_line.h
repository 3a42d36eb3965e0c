#pragma once
// The self-extractor's diagnostic log "sea.log": one appended line per call, written only
// while debug logging is on.
#include <cstdarg>
#include <string>

namespace ruvo {

// Switched on by KIV_DEBUG or the control key at start; LogLine does nothing while off.
void SetDebugLogging(bool on);
bool DebugLogging();

// The folder that holds sea.log (the current directory at start when KIV_DEBUG is true);
// empty means the root folder of the current drive. Kept to 255 characters.
void SetLogDirectory(const wchar_t* directory);
const wchar_t* LogDirectory();

// "<directory>\<file>"; with an empty directory "\<file>".
std::wstring LogFilePath(const wchar_t* directory, const wchar_t* fileName);
// The message as stored: formatted into at most 511 characters.
std::wstring FormatLogMessage(const wchar_t* format, va_list args);

// printf-style with an ASCII format: %s takes a wide string, %ld a 32-bit number.
void LogLine(const char* format, ...);

// The archive status report for an extraction result: its status line, if any, to the log.
void LogArchiveStatus(int code);

}  // namespace ruvo

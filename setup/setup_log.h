#pragma once
// The engine's log: one line per step that matters, appended to %TEMP%\<app id>-setup.log and
// written to the standard error as well when a caller gave one (a console, a pipe, a file).
#include <string>

namespace quillsetup {

// Lines before this go to %TEMP%\setup.log.
void setLogName(const std::wstring& appId);
std::wstring logPath();
void logLine(const std::wstring& line);
void logLine(const std::string& utf8Line);

// A system error as a log line shows it: the system's text without its final stop, and the code.
std::wstring errorText(unsigned long error);

}  // namespace quillsetup

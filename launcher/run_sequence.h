#pragma once
#include <string>

namespace velmora::launcher {

// The whole interactive or service run; returns the process exit code. Errors end the run
// with one line on standard error and exit code 1.
int runLauncher(const std::wstring& rawCommandLine);

// "[press enter to close this window]" and one character from standard input.
void pauseForEnter();

}  // namespace velmora::launcher

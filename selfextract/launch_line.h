#pragma once
// The command line that starts the extracted launcher.
#include <string>

namespace ruvo {

// Everything after the program part of a full command line: after the closing quote when it
// begins with one, else after the first space; leading spaces kept. Empty when there is no
// such character.
std::wstring UserArguments(const std::wstring& commandLine);

// The launcher's path with every "/" turned into "\".
std::wstring LauncherPath(std::wstring path);

// The quoted launcher path, one space, then the arguments as they are. Quoted so that a
// temporary folder with spaces (a user name "John Smith") cannot start C:\Users\John.exe.
std::wstring LaunchLine(const std::wstring& launcherPath, const std::wstring& arguments);

// For a launcher with plain arguments: the user's arguments (the system's split, after the
// program) without the options this program consumes: "-i silent|console", "-jvmxms VALUE"
// and "-jvmxmx VALUE". What it reads as no option ("-i" before another word, an option without
// its value) stays, and so does "-f FILE", which only names a file to read and is a common
// option of programs too ("-f build.xml").
// Returned as the launcher's command-line text, each argument quoted the standard way; `argv`
// holds `count` arguments, the program's own first (it is skipped).
std::wstring PlainLauncherArguments(const wchar_t* const* argv, int count);

}  // namespace ruvo

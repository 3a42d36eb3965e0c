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

}  // namespace ruvo

#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace quillsetup {

// The whole run: returns the process's exit code.
int runSetup(HINSTANCE instance, const std::vector<std::wstring>& arguments);

}  // namespace quillsetup

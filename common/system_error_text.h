#pragma once
#include <windows.h>

#include <string>

namespace velmora {

// The system's message for an error number in the user's default language; empty when unknown.
std::wstring systemErrorText(DWORD code);
std::wstring lastErrorText();

}  // namespace velmora

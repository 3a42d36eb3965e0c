#pragma once
// The windowed launcher started from a console, with kiv.attach.console: it joins that console,
// writes its errors there and has the console VM share it; started from Explorer or a shortcut
// it stays without one.
#include <windows.h>

#include "common/process_start.h"
#include "file_rules/property_set.h"

namespace velmora::launcher {

// Whether AttachConsole's outcome leaves the process on its parent's console: attached now, or
// on one already (ERROR_ACCESS_DENIED), as Wine starts a windowed program run from a console.
bool sharesConsole(bool attached, DWORD error);

// The standard handles once the console is shared: each one the parent gave (a redirection)
// stays; a missing input is the console's input, a missing output or error its output.
StandardHandles withConsoleHandles(const StandardHandles& given, HANDLE consoleInput, HANDLE consoleOutput);

// Joins the parent's console when the key asks for it (windowed launcher only, never a service)
// and there is one; the standard handles then follow withConsoleHandles.
void shareParentConsole(const PropertySet& kiv, bool serviceMode);
bool sharesParentConsole();

}  // namespace velmora::launcher

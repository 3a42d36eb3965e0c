#pragma once
// The windowed build of the launcher (GUI subsystem, for desktop applications): no console,
// errors in a message box, the trail in a file, and the VM started without a console window.
#include <string>

namespace velmora::launcher {

// Called once by the windowed program's entry, before anything reports.
void setWindowedMode();
bool windowedMode();
// A service has no user to close a message box, which would hold it for ever: its errors go to
// standard error and the trail only.
void suppressErrorBoxes();
bool errorBoxesShown();  // windowed, and not a service

// The VM's windowed counterpart beside it (java.exe -> javaw.exe, jre.exe -> jrew.exe) in
// place of the command line's first, quoted item, when `exists` finds it; otherwise the
// command line as it is.
std::wstring windowedVmCommandLine(const std::wstring& commandLine, bool (*exists)(const std::wstring&));
// The other way (javaw.exe -> java.exe, jrew.exe -> jre.exe), for a VM that shares the console
// the windowed launcher was started from.
std::wstring consoleVmCommandLine(const std::wstring& commandLine, bool (*exists)(const std::wstring&));

// Where the windowed launcher writes its trail: quillrunw.log in the temporary folder.
std::wstring windowedTrailPath();

}  // namespace velmora::launcher

#include "launcher/windowed_mode.h"

#include <windows.h>

#include "file_rules/path_text.h"
#include "launcher/file_system.h"

namespace velmora::launcher {
namespace {

bool windowed = false;
bool boxesSuppressed = false;

}  // namespace

void setWindowedMode() { windowed = true; }
bool windowedMode() { return windowed; }
void suppressErrorBoxes() { boxesSuppressed = true; }
bool errorBoxesShown() { return windowed && !boxesSuppressed; }

namespace {

// The first, quoted item's file name swapped for its counterpart of the other subsystem beside
// it, when `exists` finds that; otherwise the command line as it is.
std::wstring counterpartVmCommandLine(const std::wstring& commandLine, bool (*exists)(const std::wstring&),
                                      bool toWindowed) {
    if (commandLine.empty() || commandLine[0] != L'"') return commandLine;
    size_t close = commandLine.find(L'"', 1);
    if (close == std::wstring::npos) return commandLine;
    const std::wstring executable = commandLine.substr(1, close - 1);
    const std::wstring name = fileNameOf(executable, true);
    const wchar_t* counterpart = nullptr;
    if (toWindowed)
        counterpart = name == L"java.exe" ? L"javaw.exe" : name == L"jre.exe" ? L"jrew.exe" : nullptr;
    else
        counterpart = name == L"javaw.exe" ? L"java.exe" : name == L"jrew.exe" ? L"jre.exe" : nullptr;
    if (!counterpart) return commandLine;
    std::wstring swapped = executable.substr(0, executable.size() - name.size()) + counterpart;
    if (!exists(swapped)) return commandLine;
    return L"\"" + swapped + commandLine.substr(close);
}

}  // namespace

std::wstring windowedVmCommandLine(const std::wstring& commandLine, bool (*exists)(const std::wstring&)) {
    return counterpartVmCommandLine(commandLine, exists, true);
}

std::wstring consoleVmCommandLine(const std::wstring& commandLine, bool (*exists)(const std::wstring&)) {
    return counterpartVmCommandLine(commandLine, exists, false);
}

std::wstring windowedTrailPath() { return temporaryFolder() + L"quillrunw.log"; }

}  // namespace velmora::launcher

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

std::wstring windowedVmCommandLine(const std::wstring& commandLine, bool (*exists)(const std::wstring&)) {
    if (commandLine.empty() || commandLine[0] != L'"') return commandLine;
    size_t close = commandLine.find(L'"', 1);
    if (close == std::wstring::npos) return commandLine;
    const std::wstring executable = commandLine.substr(1, close - 1);
    const std::wstring name = fileNameOf(executable, true);
    const wchar_t* counterpart = name == L"java.exe" ? L"javaw.exe" : name == L"jre.exe" ? L"jrew.exe" : nullptr;
    if (!counterpart) return commandLine;
    std::wstring windowedExecutable = executable.substr(0, executable.size() - name.size()) + counterpart;
    if (!exists(windowedExecutable)) return commandLine;
    return L"\"" + windowedExecutable + commandLine.substr(close);
}

std::wstring windowedTrailPath() { return temporaryFolder() + L"quillrunw.log"; }

}  // namespace velmora::launcher

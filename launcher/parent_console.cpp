#include "launcher/parent_console.h"

#include "common/decimal_text.h"
#include "common/unique_handle.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/windowed_mode.h"

namespace velmora::launcher {
namespace {

bool shared = false;
// The console's own handles stand in for those the parent did not give, for the whole run.
UniqueFileHandle consoleInput;
UniqueFileHandle consoleOutput;

HANDLE openConsole(UniqueFileHandle& owner, const wchar_t* name) {
    owner.reset(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    return owner.get();
}

}  // namespace

bool sharesConsole(bool attached, DWORD error) { return attached || error == ERROR_ACCESS_DENIED; }

StandardHandles withConsoleHandles(const StandardHandles& given, HANDLE consoleInput, HANDLE consoleOutput) {
    return {isUsableHandle(given.input) ? given.input : consoleInput,
            isUsableHandle(given.output) ? given.output : consoleOutput,
            isUsableHandle(given.error) ? given.error : consoleOutput};
}

void shareParentConsole(const PropertySet& kiv, bool serviceMode) {
    if (!windowedMode() || serviceMode || !kiv.getFlag(L"kiv.attach.console")) return;
    // Read first: attaching may replace a redirection with the console's handles.
    const StandardHandles given = ownStandardHandles();
    const bool attached = ::AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
    const DWORD error = attached ? 0 : ::GetLastError();
    if (!sharesConsole(attached, error)) {
        trail(L"console: not started from a console (Windows error " + decimalText(static_cast<int32_t>(error)) +
              L"): the VM runs without one");
        return;
    }
    HANDLE input = isUsableHandle(given.input) ? nullptr : openConsole(consoleInput, L"CONIN$");
    HANDLE output = isUsableHandle(given.output) && isUsableHandle(given.error) ? nullptr
                                                                                : openConsole(consoleOutput, L"CONOUT$");
    const StandardHandles handles = withConsoleHandles(given, input, output);
    ::SetStdHandle(STD_INPUT_HANDLE, handles.input);
    ::SetStdHandle(STD_OUTPUT_HANDLE, handles.output);
    ::SetStdHandle(STD_ERROR_HANDLE, handles.error);
    shared = true;
    // Errors go to the console instead of a box, unless nothing could take them there.
    if (isUsableHandle(handles.error)) suppressErrorBoxes();
    trail(std::wstring(L"console: started from a console (") + (attached ? L"attached" : L"on it already") +
          L"): the console VM shares it");
}

bool sharesParentConsole() { return shared; }

}  // namespace velmora::launcher

#include "launcher/run_sequence.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "common/command_line_split.h"
#include "common/decimal_text.h"
#include "launcher/console_service.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/launcher.h"
#include "launcher/launcher_command_line.h"
#include "launcher/launcher_errors.h"
#include "launcher/service/service_launcher.h"
#include "launcher/single_instance.h"
#include "launcher/windowed_mode.h"
#include "launcher/wow64.h"

namespace velmora::launcher {
namespace {

// Exit code of a run that ended in an error: callers must not mistake it for success.
constexpr int kErrorExitCode = 1;

std::vector<std::wstring> systemSplitArguments(const std::wstring& raw) {
    std::vector<std::wstring> args = splitCommandLine(raw);
    if (!args.empty()) args.erase(args.begin());
    return args;
}

void traceCommandLine(const std::wstring& raw, const LauncherCommandLine& commandLine) {
    if (!trailEnabled()) return;
    trail(L"command line: " + raw);
    for (size_t i = 0; i < commandLine.arguments.size(); ++i)
        trail(L"argument " + decimalText(i) + L": " + commandLine.arguments[i]);
    trail(commandLine.serviceMode ? L"service mode: yes, service name " + commandLine.serviceName
                                  : std::wstring(L"service mode: no"));
    if (commandLine.consoleRequested) trail(L"console requested with -i console (no effect)");
}

int runInteractive(const LauncherCommandLine& commandLine) {
    Launcher launcher(commandLine);
    const std::wstring startFolder = currentDirectory();  // before the launcher enters the .kiv file's folder
    launcher.build();
    const std::vector<std::wstring>& argv = commandLine.systemArguments;
    launcher.setSilent(silentFromArguments(argv, launcher.silent()));
    if (trailEnabled())
        trail(std::wstring(L"silent: ") + (launcher.silent() ? L"yes" : L"no") +
              (argv.empty() ? L" (kiv.installer.windows.ui.default)" : L" (the last argument decides)"));
    std::unique_ptr<FirstInstance> firstInstance;
    if (joinRunningInstance(launcher, startFolder, firstInstance)) return 0;
    launcher.run(true);
    firstInstance.reset();  // the program has ended: a later start runs it again, even during the pause
    if (launcher.appProperties().getSwitch(L"kiv.win32.console.pause") || controlKeyDown()) pauseForEnter();
    return static_cast<int>(launcher.exitCode());
}

}  // namespace

void pauseForEnter() {
    writeStandardText(STD_OUTPUT_HANDLE, L"[press enter to close this window]\n");
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0, got = 0;
    if (::GetConsoleMode(input, &mode)) {
        wchar_t c;
        ::ReadConsoleW(input, &c, 1, &got, nullptr);
    } else {
        char c;
        ::ReadFile(input, &c, 1, &got, nullptr);
    }
}

int runLauncher(const std::wstring& rawCommandLine) {
    try {
        disableFsRedirection();
        LauncherCommandLine commandLine = LauncherCommandLine::fromProcess(rawCommandLine);
        commandLine.systemArguments = systemSplitArguments(rawCommandLine);
        traceCommandLine(rawCommandLine, commandLine);
        if (commandLine.serviceMode) {
            suppressErrorBoxes();
            ServiceLauncher launcher(commandLine);
            launcher.build();
            launcher.startService();
            return static_cast<int>(launcher.exitCode());
        }
        return runInteractive(commandLine);
    } catch (const NoValidVmError& error) {
        ConsoleService::instance().reportError(error.text(), error.downloadPage());
    } catch (const TerminalError& error) {
        ConsoleService::instance().reportError(error.text());
    } catch (const std::exception& error) {
        ConsoleService::instance().reportError(unknownExceptionText(error));
    }
    return kErrorExitCode;
}

}  // namespace velmora::launcher

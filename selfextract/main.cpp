// ruvo: unpacks the installer appended to this program, starts the extracted launcher with
// the user's arguments, waits for it and returns its exit code.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/dll_search_hardening.h"
#include "common/process_start.h"
#include "selfextract/extractor_options.h"
#include "selfextract/extraction_view.h"
#include "selfextract/extractor_state.h"
#include "selfextract/log_line.h"
#include "selfextract/progress_dialog.h"
#include "selfextract/run_extraction.h"
#include "selfextract/system_paths.h"
#include "selfextract/working_directory.h"

namespace {

// Runs among the static initialisers, before wWinMain and before any DLL is loaded on demand.
const bool dllSearchHardened = (velmora::HardenDllSearchPath(), true);

constexpr wchar_t kWindowClass[] = L"Velmora Self Extractor";
constexpr DWORD kEnvironmentCapacity = 255;

LRESULT CALLBACK ExtractorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return 0;
        case WM_DESTROY:
            ruvo::LogLine("Self Extractor shutting down.");
            ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void RegisterExtractorClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ExtractorWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, kWindowClass);
    windowClass.hIconSm = ::LoadIconW(instance, kWindowClass);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = kWindowClass;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);
}

// KIV_DEBUG "true" in any case switches the log on, in the current directory.
bool DebugVariableIsTrue() {
    wchar_t value[kEnvironmentCapacity];
    DWORD length = ::GetEnvironmentVariableW(L"KIV_DEBUG", value, kEnvironmentCapacity);
    if (length == 0 || length >= kEnvironmentCapacity) return false;
    return ::lstrcmpiW(value, L"TRUE") == 0;
}

void LogClosingBanner() {
    std::wstring rule(47, L'=');
    ruvo::LogLine("%s", (L"\n\n" + rule + L"\nPlease press a key to close this window.\n" + rule).c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    using namespace ruvo;
    ExtractorOptions options(commandLine);
    bool silent = options.uiMode() == UI_SILENT;
    bool console = options.uiMode() == UI_CONSOLE;

    ExtractorState state;
    state.heapOverride.minimumGiven = options.heapMinimumGiven();
    state.heapOverride.minimum = options.heapMinimum();
    state.heapOverride.maximumGiven = options.heapMaximumGiven();
    state.heapOverride.maximum = options.heapMaximum();

    bool controlKey = ::GetKeyState(VK_CONTROL) < 0;
    if (DebugVariableIsTrue()) {
        SetDebugLogging(true);
        SetLogDirectory(CurrentDirectory().c_str());
        ::DeleteFileW(LogFilePath(LogDirectory(), L"ruvo.log").c_str());
    }
    // The control key also asks for the closing banner.
    bool pauseAtExit = controlKey;
    if (controlKey) SetDebugLogging(true);
    LogLine("Self Extractor execution begins.");

    if (silent || console) {
        LogLine(silent ? "Running in Silent Mode" : "Running in Console Mode");
        state.shareCallersOutput = true;
        state.console = console;
        LoggingView view(state);
        RunExtraction(state, view);
    } else {
        state.instance = instance;
        RegisterExtractorClass(instance);
        LogLine("Window class registered.");
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        ProgressDialog dialog(state);
        dialog.Run(instance);
        LogLine("Dialog initialized.");
    }

    int exitCode = -1;
    velmora::StartedProcess& launched = state.launchedProcess;
    if (launched.started()) {
        launched.thread.reset();
        LogLine("Initiating self-extraction...");
        exitCode = static_cast<int>(velmora::waitForExit(launched.process.get(), static_cast<DWORD>(-1)));
        LogLine("*** The process has terminated with an exit code of %ld ***", static_cast<long>(exitCode));
        launched.process.reset();
        if (state.cleanupAfterRun) CleanUpAfterRun(state.workingDirectory);
    }
    if (state.abortRequested && !state.workingDirectory.empty()) {
        LogLine("User requested ABORT: Clean up temporary directory");
        RemoveTree(state.workingDirectory, true);
    }
    if (DebugLogging() && pauseAtExit) LogClosingBanner();
    return exitCode;
}

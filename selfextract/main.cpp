// ruvo: unpacks the installer appended to this program, starts the extracted launcher with
// the user's arguments, waits for it and returns its exit code.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/dll_search_hardening.h"
#include "selfextract/extractor_options.h"
#include "selfextract/extractor_state.h"
#include "selfextract/log_line.h"
#include "selfextract/progress_dialog.h"
#include "selfextract/resources/resource_ids.h"
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
            ruvo::LogLine(L"Self Extractor shutting down.");
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
    ruvo::LogLine(L"%s", (L"\n\n" + rule + L"\nPlease press a key to close this window.\n" + rule).c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    using namespace ruvo;
    ExtractorOptions options(commandLine);
    bool silent = options.uiMode() == UI_SILENT;
    bool console = options.uiMode() == UI_CONSOLE;

    heapOverride.minimumGiven = options.heapMinimumGiven();
    heapOverride.minimum = options.heapMinimum();
    heapOverride.maximumGiven = options.heapMaximumGiven();
    heapOverride.maximum = options.heapMaximum();
    abortRequested = false;

    bool controlKey = ::GetKeyState(VK_CONTROL) < 0;
    if (DebugVariableIsTrue()) {
        debugLogging = true;
        SetLogDirectory(CurrentDirectory().c_str());
        ::DeleteFileW(LogFilePath(LogDirectory(), L"ruvo.log").c_str());
    }
    if (controlKey || debugLogging) {
        debugLogging = true;
        if (controlKey) pauseAtExit = true;
    }
    LogLine(L"Self Extractor execution begins.");

    if (silent || console) {
        LogLine(silent ? L"Running in Silent Mode" : L"Running in Console Mode");
        RunExtraction();
    } else {
        instanceHandle = instance;
        RegisterExtractorClass(instance);
        LogLine(L"Window class registered.");
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        ::DialogBoxParamW(instance, L"" IDD_PROGRESSINDICATOR_NAME, nullptr, ProgressDialogProc, 0);
        dialogHandle = nullptr;
        LogLine(L"Dialog initialized.");
    }

    int exitCode = -1;
    if (launchedProcess.started) {
        launchedProcess.thread.reset();
        LogLine(L"Initiating self-extraction...");
        ::WaitForSingleObject(launchedProcess.process.get(), INFINITE);
        DWORD code = static_cast<DWORD>(-1);
        ::GetExitCodeProcess(launchedProcess.process.get(), &code);
        exitCode = static_cast<int>(code);
        LogLine(L"*** The process has terminated with an exit code of %ld ***", static_cast<long>(exitCode));
        launchedProcess.process.reset();
    }
    if (abortRequested && !workingDirectory.empty()) {
        LogLine(L"User requested ABORT: Clean up temporary directory");
        RemoveTree(workingDirectory, true);
    }
    if (debugLogging && pauseAtExit) LogClosingBanner();
    return exitCode;
}

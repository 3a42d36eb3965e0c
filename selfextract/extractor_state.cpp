#include "selfextract/extractor_state.h"

namespace ruvo {

bool abortRequested = false;
bool pauseAtExit = false;
HeapOverride heapOverride;
HINSTANCE instanceHandle = nullptr;
HWND dialogHandle = nullptr;
std::wstring chosenBaseDirectory;
std::wstring workingDirectory;
LaunchedProcess launchedProcess;

}  // namespace ruvo

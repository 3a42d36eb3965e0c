#include "selfextract/launch_line.h"

#include <cwchar>

#include "common/argument_quoting.h"

namespace ruvo {

std::wstring UserArguments(const std::wstring& commandLine) {
    size_t end = commandLine.empty() ? std::wstring::npos
                 : commandLine[0] == L'"' ? commandLine.find(L'"', 1)
                                          : commandLine.find(L' ');
    return end == std::wstring::npos ? std::wstring() : commandLine.substr(end + 1);
}

std::wstring LauncherPath(std::wstring path) {
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::wstring PlainLauncherArguments(const wchar_t* const* argv, int count) {
    std::wstring text;
    for (int i = 1; i < count; ++i) {
        const wchar_t* a = argv[i];
        if (i + 1 < count && ((std::wcscmp(a, L"-i") == 0 && (std::wcscmp(argv[i + 1], L"silent") == 0 ||
                                                             std::wcscmp(argv[i + 1], L"console") == 0)) ||
                              std::wcscmp(a, L"-jvmxms") == 0 || std::wcscmp(a, L"-jvmxmx") == 0)) {
            ++i;
            continue;
        }
        if (!text.empty()) text += L' ';  // a quoted argument is never empty
        velmora::appendQuotedArgument<wchar_t>(text, a);
    }
    return text;
}

std::wstring LaunchLine(const std::wstring& launcherPath, const std::wstring& arguments) {
    return L"\"" + launcherPath + L"\" " + arguments;
}

}  // namespace ruvo

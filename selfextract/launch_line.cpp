#include "selfextract/launch_line.h"

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

std::wstring LaunchLine(const std::wstring& launcherPath, const std::wstring& arguments) {
    return L"\"" + launcherPath + L"\" " + arguments;
}

}  // namespace ruvo

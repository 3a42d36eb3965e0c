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

std::vector<std::wstring> PlainLauncherArguments(const std::vector<std::wstring>& arguments) {
    std::vector<std::wstring> plain;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (hasValue && a == L"-i" && (arguments[i + 1] == L"silent" || arguments[i + 1] == L"console")) {
            ++i;
        } else if (hasValue && (a == L"-jvmxms" || a == L"-jvmxmx")) {
            ++i;
        } else {
            plain.push_back(a);
        }
    }
    return plain;
}

std::wstring LaunchLine(const std::wstring& launcherPath, const std::wstring& arguments) {
    return L"\"" + launcherPath + L"\" " + arguments;
}

}  // namespace ruvo

#include "tests/system/launcher/vm_test_app.h"

#include <windows.h>

#include <stdexcept>

#include "common/text_convert.h"
#include "tests/support/test_paths.h"

namespace velmora::test {

std::wstring widen(const std::string& utf8) { return utf8ToWide(utf8); }

VmTestApp::VmTestApp() {
    if (!::CopyFileW(distProgram(L"quillrun.exe").c_str(), path(L"app.exe").c_str(), FALSE))
        throw std::runtime_error("cannot copy quillrun.exe");
    folder_.makeFolder(L"rec");
}

std::wstring VmTestApp::forwardSlashes(std::wstring text) const {
    for (auto& c : text)
        if (c == L'\\') c = L'/';
    return text;
}

void VmTestApp::writeKiv(const std::string& text) const { folder_.write(L"app.kiv", text); }

std::wstring VmTestApp::placeVm(const std::wstring& variant, const std::wstring& relative) const {
    size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos) folder_.makeFolder(relative.substr(0, slash));
    std::wstring target = path(relative);
    if (!::CopyFileW((testBinFolder() + L"\\" + variant + L".exe").c_str(), target.c_str(), FALSE))
        throw std::runtime_error("cannot copy a stand-in VM");
    return target;
}

void VmTestApp::configureVm(const std::wstring& vmRelativeDirectory, const std::string& lines) const {
    folder_.write(vmRelativeDirectory + L"\\standin.cfg", lines);
}

ChildResult VmTestApp::run(const std::wstring& arguments, std::vector<std::wstring> pathDirectories,
                           ChildOptions options) const {
    std::wstring commandLine = L"\"" + path(L"app.exe") + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    return runCommand(commandLine, std::move(pathDirectories), std::move(options));
}

ChildResult VmTestApp::runCommand(const std::wstring& commandLine, std::vector<std::wstring> pathDirectories,
                                  ChildOptions options) const {
    std::wstring pathValue;
    if (pathDirectories.empty()) pathDirectories = {L"C:\\windows\\system32", L"C:\\windows"};
    for (const auto& d : pathDirectories) pathValue += (pathValue.empty() ? L"" : L";") + d;
    options.removedEnvironment.push_back(L"PATH");
    options.extraEnvironment.push_back(L"PATH=" + pathValue);
    options.extraEnvironment.push_back(L"STANDIN_RECORD=" + path(L"rec"));
    options.removedEnvironment.push_back(L"CLASSPATH");
    options.removedEnvironment.push_back(L"JAVA_HOME");  // the machine's own JDK takes no part
    if (options.workingDirectory.empty()) options.workingDirectory = root();
    return runChild(commandLine, options);
}

std::string VmTestApp::recordedBytes(const std::wstring& name) const {
    std::wstring file = path(L"rec\\" + name);
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    return readFileBytes(file);
}

std::wstring VmTestApp::recorded(const std::wstring& name) const { return widen(recordedBytes(name)); }

std::wstring VmTestApp::scratchFileOf(const std::wstring& commandLine) const {
    // The scratch file is the second quoted path after the .kiv file's.
    std::wstring kiv = L"\"" + forwardSlashes(path(L"app.kiv")) + L"\" \"";
    size_t at = commandLine.find(kiv);
    if (at == std::wstring::npos) return {};
    size_t start = at + kiv.size();
    size_t end = commandLine.find(L'"', start);
    return end == std::wstring::npos ? std::wstring() : commandLine.substr(start, end - start);
}

}  // namespace velmora::test

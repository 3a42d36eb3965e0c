#include "launcher/kiv_locator.h"

#include "file_rules/path_text.h"
#include "launcher/launcher_errors.h"
#include "launcher/message_table.h"

namespace velmora::launcher {
namespace {

std::wstring forwardToBackslashes(std::wstring path) {
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

}  // namespace

std::wstring locateProgramPath(const std::wstring& argument0, const KivSearchWorld& world) {
    std::wstring program = argument0;
    if (!hasExtension(fileNameOf(program))) program += L".exe";
    if (world.exists(program)) return forwardToBackslashes(program);
    for (const auto& directory : world.pathDirectories) {
        std::wstring candidate = directory + L"\\" + program;
        if (world.exists(candidate)) return forwardToBackslashes(candidate);
    }
    throw TerminalError(L"unable to locate executable");
}

std::vector<std::wstring> kivCandidates(const std::wstring& programPath, const std::wstring& currentDirectory) {
    std::vector<std::wstring> candidates;
    if (extensionOf(programPath) == L"exe") candidates.push_back(programPath.substr(0, programPath.rfind(L'.')) + L".kiv");
    candidates.push_back(programPath + L".kiv");
    std::wstring name = fileNameOf(programPath);
    if (hasExtension(name)) name.erase(name.rfind(L'.'));
    candidates.push_back(currentDirectory + L"\\" + name + L".kiv");
    return candidates;
}

std::wstring locateKivFile(const std::wstring& programPath, const KivSearchWorld& world) {
    for (const auto& candidate : kivCandidates(programPath, world.currentDirectory))
        if (world.exists(candidate)) return candidate;
    throw TerminalError(message(kMsgPropertiesMissing));
}

}  // namespace velmora::launcher

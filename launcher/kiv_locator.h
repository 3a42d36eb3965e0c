#pragma once
// Finding the program's own file and the .kiv file that belongs to it.
#include <functional>
#include <string>
#include <vector>

namespace velmora::launcher {

struct KivSearchWorld {
    std::function<bool(const std::wstring&)> exists;
    std::vector<std::wstring> pathDirectories;
    std::wstring currentDirectory;
};

// argument0 as normalised by the caller. Raises TerminalError "unable to locate executable".
std::wstring locateProgramPath(const std::wstring& argument0, const KivSearchWorld& world);

// The three places in order; raises the TerminalError of message 102 when none exists.
std::wstring locateKivFile(const std::wstring& programPath, const KivSearchWorld& world);

// The same three candidates, for callers that want to see them.
std::vector<std::wstring> kivCandidates(const std::wstring& programPath, const std::wstring& currentDirectory);

}  // namespace velmora::launcher

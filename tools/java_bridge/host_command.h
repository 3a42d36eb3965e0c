#pragma once
// Turning a Windows java command line into a host shell script (no system calls here).
#include <functional>
#include <string>
#include <vector>

namespace velmora::bridge {

// Answers the host path of a Windows path, or empty when the path is not a file-system path
// Wine can map (or does not name an existing file, for `ifExisting`).
struct PathMapper {
    std::function<std::string(const std::wstring&)> hostPathOf;
    std::function<bool(const std::wstring&)> exists;
};

// The arguments the host VM gets: class path entries mapped and joined with ':', arguments
// that name existing files mapped, everything else as UTF-8 unchanged.
std::vector<std::string> hostArguments(const std::vector<std::wstring>& windowsArguments, const PathMapper& mapper);

// A POSIX shell word that stands for exactly `text`.
std::string shellQuoted(const std::string& text);

// The script: run the VM in `hostDirectory`, then publish its exit code atomically.
std::string bridgeScript(const std::string& hostJava, const std::vector<std::string>& arguments,
                         const std::string& hostDirectory, const std::string& hostStatusPath);

}  // namespace velmora::bridge

#pragma once
// Turning a Windows java command line into a host shell script (no system calls here).
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora::bridge {

// Answers the host path of a Windows path, or empty when the path is not a file-system path
// Wine can map (or does not name an existing file, for `ifExisting`).
struct PathMapper {
    std::function<std::string(const std::wstring&)> hostPathOf;
    std::function<bool(const std::wstring&)> exists;
};

// One argument for the host VM: plain text, or host paths that the script resolves and
// joins with ':' (Wine's own paths run through dosdevices/c:, whose colon a class path
// cannot hold, so every path is resolved to its real location first).
struct HostArgument {
    std::string text;  // for a path list: what comes before the paths ("-Dname=")
    std::vector<std::string> paths;
    bool isPaths = false;

    static HostArgument plain(std::string t) { return {std::move(t), {}, false}; }
    static HostArgument pathList(std::vector<std::string> p, std::string prefix = {}) {
        return {std::move(prefix), std::move(p), true};
    }
    bool operator==(const HostArgument&) const = default;
};

// As java.exe of version 9 and later: each argument before the main class that starts with '@'
// stands for the arguments in the file it names (`readText` gives the file's text, nothing when
// it cannot be read; the argument then stays for the host VM to report).
std::vector<std::wstring> expandArgumentFiles(const std::vector<std::wstring>& arguments,
                                              const std::function<std::optional<std::wstring>(const std::wstring&)>& readText);

// Class path entries, arguments naming existing files and system properties whose value names
// one ("-Dname=C:\\file") become host paths; everything else stays as UTF-8 text.
std::vector<HostArgument> hostArguments(const std::vector<std::wstring>& windowsArguments, const PathMapper& mapper);

// A POSIX shell word that stands for exactly `text`.
std::string shellQuoted(const std::string& text);

// The script: run the VM in `hostDirectory`, then publish its exit code atomically.
std::string bridgeScript(const std::string& hostJava, const std::vector<HostArgument>& arguments,
                         const std::string& hostDirectory, const std::string& hostStatusPath);

}  // namespace velmora::bridge

#pragma once
// Argument texts that must reach a program unchanged, whatever it holds: the one table that
// the quoting unit tests and the launcher and installer runs share.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace velmora::test {

inline const std::vector<std::wstring>& awkwardArguments() {
    static const std::vector<std::wstring> cases = {
        L"plain",
        L"two words",
        L"",  // an empty argument is still one
        L"tab\there",
        L"a\"b",
        L"\"",
        L"\"quoted\"",
        L"C:\\dir\\",  // a backslash before the closing quote of its own
        L"C:\\dir with space\\",
        L"\\\\server\\share",
        L"back\\\"slash",  // a backslash before a quote
        L"two\\\\\"slashes",
        L"trailing\\\\",
        L"\u00e4 \u65e5",
        // Not the installer's own options: "-i" takes no mode here, and "KIV_VM" names no VM.
        L"-i",
        L"KIV_VM",
    };
    return cases;
}

// The arguments after the program, as the system's parser reads the command line.
inline std::vector<std::wstring> systemSplit(const std::wstring& commandLine) {
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(commandLine.c_str(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
    if (argv) ::LocalFree(argv);
    return arguments;
}

// What a VM started with `commandLine` hands its main class `mainClass`: the arguments after it.
inline std::vector<std::wstring> programArgumentsOf(const std::wstring& commandLine, const std::wstring& mainClass) {
    std::vector<std::wstring> all = systemSplit(commandLine);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == mainClass) return {all.begin() + static_cast<std::ptrdiff_t>(i + 1), all.end()};
    return {L"(no main class " + mainClass + L")"};
}

}  // namespace velmora::test

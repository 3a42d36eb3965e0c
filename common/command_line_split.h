#pragma once
// Splitting a command line into arguments by the system's rules (those of CommandLineToArgvW),
// without shell32: loading it (with shcore and shlwapi) would cost every start of the launcher.
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The program, then each argument. The program ends at the next quote when it starts with one,
// else at the first space or tab. After it, spaces and tabs outside quotes separate arguments;
// 2n backslashes before a quote give n and the quote opens or closes quoting, 2n+1 give n and
// a literal quote; a third quote in a row inside quotes is literal. Unlike the system's
// function, an empty line gives nothing rather than this program's path.
std::vector<std::wstring> splitCommandLine(std::wstring_view line);

}  // namespace velmora

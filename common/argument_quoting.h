#pragma once
// Writing one program argument so that the C runtime's and CommandLineToArgvW's parsers give
// it back unchanged, whatever it holds (spaces, tabs, quotes, backslashes, nothing at all).
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// As it is when nothing in it needs quoting; otherwise in quotes, with each quote preceded by
// twice its backslashes plus one, and backslashes before the closing quote doubled.
std::wstring quoteArgument(std::wstring_view argument);
// The same for UTF-8 text.
std::string quoteArgument(std::string_view argument);

// quoteArgument's text appended to `out`.
void appendQuotedArgument(std::wstring& out, std::wstring_view argument);

// Each argument quoted, separated by one space.
std::wstring joinArguments(const std::vector<std::wstring>& arguments);

}  // namespace velmora

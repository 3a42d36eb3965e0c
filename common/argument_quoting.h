#pragma once
// Writing one program argument so that the C runtime's and CommandLineToArgvW's parsers give
// it back unchanged, whatever it holds (spaces, tabs, quotes, backslashes, nothing at all).
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// As it is when nothing in it needs quoting; otherwise in quotes, with each quote preceded by
// twice its backslashes plus one, and backslashes before the closing quote doubled. Only ASCII
// characters matter, so UTF-8 bytes and UTF-16 units are quoted alike.
template <typename Char>
void appendQuotedArgument(std::basic_string<Char>& out, std::basic_string_view<Char> argument) {
    bool needsQuotes = argument.empty();
    for (Char c : argument) needsQuotes = needsQuotes || c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '"';
    if (!needsQuotes) {
        out.append(argument);
        return;
    }
    out += Char('"');
    size_t backslashes = 0;
    for (Char c : argument) {
        if (c == Char('\\')) {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they escape it and each other.
        if (c == Char('"')) backslashes = backslashes * 2 + 1;
        out.append(backslashes, Char('\\'));
        out += c;
        backslashes = 0;
    }
    out.append(backslashes * 2, Char('\\'));  // the closing quote must stay a quote
    out += Char('"');
}

std::wstring quoteArgument(std::wstring_view argument);

// Each argument quoted, separated by one space.
std::wstring joinArguments(const std::vector<std::wstring>& arguments);

}  // namespace velmora

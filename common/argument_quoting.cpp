#include "common/argument_quoting.h"

namespace velmora {
namespace {

// Only ASCII characters matter, so UTF-8 bytes and UTF-16 units are quoted alike.
template <typename Char>
std::basic_string<Char> quoted(std::basic_string_view<Char> argument) {
    auto special = [](Char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '"'; };
    bool needsQuotes = argument.empty();
    for (Char c : argument) needsQuotes = needsQuotes || special(c);
    if (!needsQuotes) return std::basic_string<Char>(argument);
    std::basic_string<Char> text(1, Char('"'));
    size_t backslashes = 0;
    for (Char c : argument) {
        if (c == Char('\\')) {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they escape it and each other.
        text.append(c == Char('"') ? backslashes * 2 + 1 : backslashes, Char('\\'));
        text += c;
        backslashes = 0;
    }
    text.append(backslashes * 2, Char('\\'));  // the closing quote must stay a quote
    return text + Char('"');
}

}  // namespace

std::wstring quoteArgument(std::wstring_view argument) { return quoted(argument); }
std::string quoteArgument(std::string_view argument) { return quoted(argument); }

std::wstring joinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += L' ';
        text += quoteArgument(arguments[i]);
    }
    return text;
}

}  // namespace velmora

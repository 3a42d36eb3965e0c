#include "common/argument_quoting.h"

namespace velmora {
namespace {

// Only ASCII characters matter, so UTF-8 bytes and UTF-16 units are quoted alike.
template <typename Char>
void appendQuoted(std::basic_string<Char>& out, std::basic_string_view<Char> argument) {
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

}  // namespace

void appendQuotedArgument(std::wstring& out, std::wstring_view argument) { appendQuoted(out, argument); }

std::wstring quoteArgument(std::wstring_view argument) {
    std::wstring text;
    appendQuoted(text, argument);
    return text;
}

std::string quoteArgument(std::string_view argument) {
    std::string text;
    appendQuoted(text, argument);
    return text;
}

std::wstring joinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += L' ';
        appendQuoted<wchar_t>(text, arguments[i]);
    }
    return text;
}

}  // namespace velmora

#include "common/command_line_split.h"

namespace velmora {
namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> splitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> arguments;
    if (line.empty()) return arguments;
    size_t i = 0;
    std::wstring program;
    if (line[0] == L'"') {
        for (i = 1; i < line.size() && line[i] != L'"'; ++i) program += line[i];
        if (i < line.size()) ++i;  // the closing quote
    } else {
        while (i < line.size() && !isBlank(line[i])) program += line[i++];
    }
    arguments.push_back(std::move(program));
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) return arguments;

    std::wstring current;
    size_t backslashes = 0;
    int quotes = 0;  // quotes seen in the current run, modulo the system's three-quote rule
    while (i < line.size()) {
        const wchar_t c = line[i];
        if (isBlank(c) && quotes == 0) {
            arguments.push_back(std::move(current));
            current.clear();
            backslashes = 0;
            while (i < line.size() && isBlank(line[i])) ++i;
            if (i == line.size()) return arguments;
            continue;
        }
        ++i;
        if (c == L'\\') {
            current += c;
            ++backslashes;
            continue;
        }
        if (c != L'"') {
            current += c;
            backslashes = 0;
            continue;
        }
        // Half the backslashes stay; an odd one out escapes the quote.
        current.resize(current.size() - (backslashes + 1) / 2);
        if (backslashes % 2 == 0)
            ++quotes;
        else
            current += L'"';
        backslashes = 0;
        for (; i < line.size() && line[i] == L'"'; ++i) {
            if (++quotes == 3) {
                current += L'"';
                quotes = 0;
            }
        }
        if (quotes == 2) quotes = 0;
    }
    arguments.push_back(std::move(current));
    return arguments;
}

}  // namespace velmora

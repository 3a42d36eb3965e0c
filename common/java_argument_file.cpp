#include "common/java_argument_file.h"

namespace velmora {
namespace {

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

bool needsQuotes(std::wstring_view argument) {
    if (argument.empty()) return true;
    for (wchar_t c : argument)
        if (isSpace(c) || c == L'"' || c == L'\'' || c == L'#' || c == L'\\') return true;
    return false;
}

}  // namespace

std::wstring argumentFileText(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (const auto& argument : arguments) {
        if (!needsQuotes(argument)) {
            text += argument + L"\n";
            continue;
        }
        text += L'"';
        for (wchar_t c : argument) {
            switch (c) {
                case L'\\': text += L"\\\\"; break;
                case L'"': text += L"\\\""; break;
                case L'\n': text += L"\\n"; break;
                case L'\r': text += L"\\r"; break;
                case L'\t': text += L"\\t"; break;
                case L'\f': text += L"\\f"; break;
                default: text += c;
            }
        }
        text += L"\"\n";
    }
    return text;
}

std::vector<std::wstring> parseArgumentFile(std::wstring_view text) {
    std::vector<std::wstring> arguments;
    std::wstring token;
    bool inToken = false;
    wchar_t quote = 0;  // the quote that opened the quoted part, 0 outside quotes
    size_t i = 0;
    auto finish = [&] {
        if (inToken) arguments.push_back(token);
        token.clear();
        inToken = false;
        quote = 0;
    };
    while (i < text.size()) {
        wchar_t c = text[i++];
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else if (c == L'\n' || c == L'\r') {
                finish();  // a line break ends even a quoted argument
            } else if (c == L'\\' && i < text.size()) {
                wchar_t next = text[i++];
                if (next == L'\n' || next == L'\r') {
                    // A backslash at the end of a line continues the argument on the next one,
                    // after that line's leading white space.
                    while (i < text.size() && isSpace(text[i])) ++i;
                    continue;
                }
                token += next == L'n' ? L'\n' : next == L'r' ? L'\r' : next == L't' ? L'\t' : next == L'f' ? L'\f' : next;
            } else {
                token += c;
            }
            continue;
        }
        if (isSpace(c)) {
            finish();
        } else if (c == L'#') {
            finish();
            while (i < text.size() && text[i] != L'\n' && text[i] != L'\r') ++i;
        } else if (c == L'"' || c == L'\'') {
            inToken = true;
            quote = c;
        } else {
            inToken = true;
            token += c;
        }
    }
    finish();
    return arguments;
}

}  // namespace velmora

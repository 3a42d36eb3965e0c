#include "launcher/launcher_command_line.h"

#include "common/text_convert.h"
#include "launcher/file_system.h"

namespace velmora::launcher {
namespace {

std::vector<std::wstring> splitAtSpaces(std::wstring_view text) {
    std::vector<std::wstring> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == L' ') ++i;
        size_t start = i;
        while (i < text.size() && text[i] != L' ') ++i;
        if (i > start) tokens.emplace_back(text.substr(start, i - start));
    }
    return tokens;
}

bool startsQuoted(const std::wstring& token) {
    return !token.empty() && token.front() == L'"' && token.find(L'*') == std::wstring::npos;
}

bool endsWithQuote(const std::wstring& token, size_t minimumLength) {
    return token.size() >= minimumLength && token.back() == L'"';
}

std::vector<std::wstring> rejoinQuoted(const std::vector<std::wstring>& tokens) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!startsQuoted(tokens[i])) {
            out.push_back(tokens[i]);
            continue;
        }
        std::wstring joined = tokens[i];
        // A lone '"' opens the argument; it does not close it too.
        while (!endsWithQuote(joined, 2) && i + 1 < tokens.size()) joined += L" " + tokens[++i];
        joined.erase(0, 1);
        if (!joined.empty() && joined.back() == L'"') joined.pop_back();
        out.push_back(std::move(joined));
    }
    return out;
}

}  // namespace

LauncherCommandLine LauncherCommandLine::parse(std::wstring_view raw) {
    LauncherCommandLine result;
    std::vector<std::wstring> retained;

    std::wstring_view rest = raw;
    if (!raw.empty() && raw[0] == L'"') {
        size_t second = raw.find(L'"', 1);
        if (second != std::wstring_view::npos) {
            retained.emplace_back(raw.substr(0, second + 1));
            rest = raw.substr(second + 1);
        }
    }

    std::vector<std::wstring> tokens = splitAtSpaces(rest);
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == L"-mwkivservice") {
            if (i + 1 < tokens.size()) {
                result.serviceName = tokens[++i];
                result.serviceMode = true;
            }
        } else if (tokens[i] == L"-i") {
            retained.push_back(tokens[i]);
            if (i + 1 < tokens.size()) {
                if (tokens[i + 1] == L"console") result.consoleRequested = true;
                retained.push_back(tokens[++i]);
            }
        } else {
            retained.push_back(tokens[i]);
        }
    }
    result.arguments = rejoinQuoted(retained);
    return result;
}

LauncherCommandLine LauncherCommandLine::fromProcess(std::wstring_view raw) {
    LauncherCommandLine result = parse(raw);
    for (auto& argument : result.arguments)
        if (!argument.empty() && argument[0] != L'/' && exists(argument)) argument = fullPath(argument, true);
    return result;
}

std::vector<std::wstring> plainProgramArguments(const std::vector<std::wstring>& argv) {
    std::vector<std::wstring> plain;
    bool vmPairTaken = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        if (argv[i] == L"-mwkivservice" && i + 1 < argv.size()) {
            ++i;
        } else if (argv[i] == L"KIV_VM" && !vmPairTaken && i + 1 < argv.size()) {
            vmPairTaken = true;
            ++i;
        } else {
            plain.push_back(argv[i]);
        }
    }
    return plain;
}

bool silentFromArguments(const std::vector<std::wstring>& argvAfterProgram, bool current) {
    if (argvAfterProgram.empty()) return current;
    return equalsIgnoringAsciiCase(argvAfterProgram.back(), L"silent");
}

}  // namespace velmora::launcher

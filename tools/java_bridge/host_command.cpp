#include "tools/java_bridge/host_command.h"

#include "common/java_argument_file.h"
#include "common/text_convert.h"

namespace velmora::bridge {
namespace {

bool isClassPathOption(const std::wstring& argument) {
    return argument == L"-classpath" || argument == L"-cp" || argument == L"--class-path";
}

bool looksLikeWindowsPath(const std::wstring& text) {
    return text.find(L'\\') != std::wstring::npos || (text.size() > 1 && text[1] == L':') ||
           text.find(L'/') != std::wstring::npos;
}

// Entries Wine cannot map stay as written, so the VM reports them rather than losing them.
HostArgument mappedClassPath(const std::wstring& classPath, const PathMapper& mapper) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start <= classPath.size()) {
        size_t end = classPath.find(L';', start);
        if (end == std::wstring::npos) end = classPath.size();
        std::wstring entry = classPath.substr(start, end - start);
        if (!entry.empty()) {
            std::string host = mapper.hostPathOf(entry);
            entries.push_back(host.empty() ? wideToUtf8(entry) : host);
        }
        start = end + 1;
    }
    return HostArgument::pathList(std::move(entries));
}

// VM options followed by a value of their own; the first argument that is neither an option nor
// such a value is the main class.
bool takesValue(const std::wstring& option) {
    for (const wchar_t* name : {L"-classpath", L"-cp", L"--class-path", L"--add-opens", L"--add-exports", L"--add-reads",
                                L"--add-modules", L"--module-path", L"-p", L"--limit-modules", L"--patch-module",
                                L"--upgrade-module-path"})
        if (option == name) return true;
    return false;
}

}  // namespace

std::vector<std::wstring> expandArgumentFiles(const std::vector<std::wstring>& arguments,
                                              const std::function<std::optional<std::wstring>(const std::wstring&)>& readText) {
    std::vector<std::wstring> out;
    bool valueNext = false, mainSeen = false;
    auto push = [&](const std::wstring& argument) {
        out.push_back(argument);
        if (valueNext) {
            valueNext = false;
        } else if (!argument.starts_with(L"-")) {
            mainSeen = true;
        } else {
            valueNext = takesValue(argument);
        }
    };
    for (const auto& argument : arguments) {
        if (mainSeen || valueNext || argument.size() < 2 || argument[0] != L'@') {
            push(argument);
            continue;
        }
        std::optional<std::wstring> text = readText(argument.substr(1));
        if (!text) {
            push(argument);
            continue;
        }
        for (const auto& inner : velmora::parseArgumentFile(*text)) push(inner);
    }
    return out;
}

std::vector<HostArgument> hostArguments(const std::vector<std::wstring>& windowsArguments, const PathMapper& mapper) {
    std::vector<HostArgument> out;
    for (size_t i = 0; i < windowsArguments.size(); ++i) {
        const std::wstring& argument = windowsArguments[i];
        if (isClassPathOption(argument) && i + 1 < windowsArguments.size()) {
            out.push_back(HostArgument::plain(wideToUtf8(argument)));
            out.push_back(mappedClassPath(windowsArguments[++i], mapper));
            continue;
        }
        size_t equals = argument.find(L'=');
        if (argument.starts_with(L"-D") && equals != std::wstring::npos) {
            std::wstring value = argument.substr(equals + 1);
            std::string host = looksLikeWindowsPath(value) && mapper.exists(value) ? mapper.hostPathOf(value) : "";
            out.push_back(host.empty() ? HostArgument::plain(wideToUtf8(argument))
                                       : HostArgument::pathList({host}, wideToUtf8(argument.substr(0, equals + 1))));
            continue;
        }
        if (looksLikeWindowsPath(argument) && mapper.exists(argument)) {
            std::string host = mapper.hostPathOf(argument);
            out.push_back(host.empty() ? HostArgument::plain(wideToUtf8(argument)) : HostArgument::pathList({host}));
            continue;
        }
        out.push_back(HostArgument::plain(wideToUtf8(argument)));
    }
    return out;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

namespace {

// Path lists are resolved by the shell itself, one realpath per entry.
std::string shellWord(const HostArgument& argument) {
    if (!argument.isPaths) return shellQuoted(argument.text);
    std::string word = (argument.text.empty() ? "" : shellQuoted(argument.text)) + "\"";
    for (size_t i = 0; i < argument.paths.size(); ++i)
        word += (i ? ":" : "") + std::string("$(realpath -m -- ") + shellQuoted(argument.paths[i]) + ")";
    return word + "\"";
}

}  // namespace

std::string bridgeScript(const std::string& hostJava, const std::vector<HostArgument>& arguments,
                         const std::string& hostDirectory, const std::string& hostStatusPath) {
    const std::string part = shellQuoted(hostStatusPath + ".part");
    std::string script = "#!/bin/sh\n";
    // The exit code is written under another name first, so the waiting side never reads
    // half a number; the process id lets it notice a shell that died without writing one.
    script += "publish() { printf '%s' \"$1\" > " + part + " && mv " + part + " " + shellQuoted(hostStatusPath) + "; }\n";
    script += "printf '%s' \"$$\" > " + shellQuoted(hostStatusPath + ".pid") + "\n";
    if (!hostDirectory.empty()) script += "cd " + shellQuoted(hostDirectory) + " || { publish 126; exit 126; }\n";
    script += shellQuoted(hostJava);
    for (const auto& argument : arguments) script += " " + shellWord(argument);
    script += "\npublish $?\n";
    return script;
}

}  // namespace velmora::bridge

#include "tools/ruvo_pack/application_mode.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/argument_quoting.h"
#include "common/text_convert.h"
#include "tools/ruvo_pack/installer_folder.h"
#include "tools/ruvo_pack/payload_format.h"

namespace ruvo_pack {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trimmed(std::string_view text) {
    size_t start = 0, end = text.size();
    while (start < end && isSpace(text[start])) ++start;
    while (end > start && isSpace(text[end - 1])) --end;
    return std::string(text.substr(start, end - start));
}

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// One code point of valid UTF-8 at `at`; advances `at`.
uint32_t nextCodePoint(std::string_view text, size_t& at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t value = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int i = 1; i < length && at + static_cast<size_t>(i) < text.size(); ++i)
        value = value << 6 | (byte(at + static_cast<size_t>(i)) & 0x3F);
    at += static_cast<size_t>(length);
    return value;
}

void appendUnitEscape(std::string& out, uint32_t unit) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
    out += escaped;
}

std::string joinedQuoted(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        if (!text.empty()) text += ' ';
        velmora::appendQuotedArgument<char>(text, item);
    }
    return text;
}

}  // namespace

bool isApplicationMode(const std::vector<std::string>& arguments) {
    for (const auto& a : arguments) {
        if (a == "--") return false;
        if (a == "--input" || a == "--main-jar") return true;
    }
    return false;
}

std::vector<std::string> argumentFileTokens(std::string_view text) {
    std::vector<std::string> tokens;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        // The option, then the rest of the line as its value; quotes around the whole value go.
        size_t gap = line.find_first_of(" \t");
        tokens.push_back(line.substr(0, gap));
        if (gap == std::string::npos) continue;
        std::string value = trimmed(line.substr(gap));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        tokens.push_back(value);
    }
    return tokens;
}

bool expandArgumentFiles(const std::vector<std::string>& arguments, std::vector<std::string>& expanded,
                         std::string& error) {
    for (const auto& a : arguments) {
        if (a.size() < 2 || a[0] != '@') {
            expanded.push_back(a);
            continue;
        }
        std::ifstream in(pathOfUtf8(a.substr(1)), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in && !in.eof()) {
            error = "cannot read the argument file " + a.substr(1);
            return false;
        }
        for (auto& token : argumentFileTokens(text)) expanded.push_back(std::move(token));
    }
    return true;
}

std::vector<std::string> splitOptionText(std::string_view text) {
    std::vector<std::string> options;
    std::string current;
    bool inToken = false;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                current += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inToken = true;
        } else if (isSpace(c)) {
            if (inToken) options.push_back(std::move(current));
            current.clear();
            inToken = false;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken) options.push_back(std::move(current));
    return options;
}

ApplicationRequest parseApplicationArguments(const std::vector<std::string>& arguments) {
    ApplicationRequest request;
    ApplicationOptions& o = request.options;
    bool consoleGiven = false;
    for (size_t i = 0; i < arguments.size() && request.error.empty(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            request.help = true;
            return request;
        }
        if (a == "--console" || a == "--no-console") {
            if (consoleGiven && o.windowed != (a == "--no-console")) request.error = "give --console or --no-console, not both";
            o.windowed = a == "--no-console";
            consoleGiven = true;
            continue;
        }
        if (takeBrandingOption(arguments, i, o.branding, request.error)) continue;
        if (takeNativeAppOption(arguments, i, o.native, request.error)) continue;
        if (takeInstallOption(arguments, i, o.install, request.error)) continue;
        struct Single {
            const char* option;
            std::string* value;
        };
        const Single singles[] = {{"--input", &o.input},         {"--main-jar", &o.mainJar},
                                  {"--main-class", &o.mainClass}, {"--out", &o.output},
                                  {"--runtime-image", &o.runtimeImage}, {"--java-version", &o.javaVersion},
                                  {"--keep-payload", &o.keepPayload},   {"--stub", &o.stub},
                                  {"--launcher-dir", &o.launcherFolder}};
        const Single* single = nullptr;
        for (const auto& s : singles)
            if (a == s.option) single = &s;
        const bool repeatable = a == "--java-options" || a == "--arguments" || a == "--level";
        if (!single && !repeatable) {
            request.error = "unknown option '" + a + "' in application mode";
            break;
        }
        if (i + 1 >= arguments.size()) {
            request.error = a + " needs a value";
            break;
        }
        const std::string& value = arguments[++i];
        if (a == "--java-options" || a == "--arguments") {
            for (auto& item : splitOptionText(value)) (a == "--arguments" ? o.arguments : o.javaOptions).push_back(item);
        } else if (a == "--level") {
            if (value.size() != 1 || value[0] < '0' || value[0] > '9')
                request.error = "--level takes a number from 0 to 9, not '" + value + "'";
            else
                o.level = value[0] - '0';
        } else if (!single->value->empty()) {
            request.error = a == "--main-class" ? "two main classes: --main-class is given twice"
                                                : a + " is given twice";
        } else if (value.empty()) {
            request.error = a + " needs a value";
        } else {
            *single->value = value;
        }
    }
    if (!request.error.empty()) return request;
    if (o.input.empty())
        request.error = "--input is missing: name the folder that holds the application's jars";
    else if (o.mainJar.empty())
        request.error = "--main-jar is missing: name the jar, in the --input folder, that holds the main class";
    else if (!o.branding.name || o.branding.name->empty())
        request.error = "--name is missing: the application's name names its launcher and .kiv file";
    else if (!o.runtimeImage.empty() && !o.javaVersion.empty())
        request.error = "give --runtime-image or --java-version, not both";
    else if (o.install.type == OutputType::Run && !o.install.installingOnly.empty())
        request.error = o.install.installingOnly + " is for an installer that installs; one of --type run installs nothing";
    else if (!o.output.empty() && !installerNameOf(o.output))
        request.error = "--out must name an .exe file";
    else if (o.native.attachConsole && !o.windowed)
        request.error = "--attach-console needs the windowed launcher (--no-console): the console launcher always "
                        "runs in the console it is started from";
    return request;
}

std::string applicationUsageText() {
    return "Usage: ruvo-pack --input DIR --main-jar APP.jar --name NAME [--out NAME.exe] [options]\n"
           "\n"
           "Builds an installer for an unchanged Java program: the launcher (named NAME), a\n"
           "generated NAME.kiv and every file of DIR go into app/, which the setup engine\n"
           "(Windows_Pure_64_Bit/setup.exe) installs; with --type run, into Windows_Pure_64_Bit/,\n"
           "unpacked and run at every start. The program gets exactly the arguments the user typed.\n"
           "\n"
           "  --input DIR            the application's files: the main jar and its dependencies\n"
           "  --main-jar FILE        the jar (relative to DIR) that starts the application; then\n"
           "                         every other jar below DIR in name order forms the class path\n"
           "  --main-class CLASS     the main class; default: Main-Class of the main jar's manifest\n"
           "  --java-options TEXT    VM options (repeatable; quotes keep spaces in one option)\n"
           "  --arguments TEXT       arguments before the user's (repeatable; quotes as above)\n"
           "  --runtime-image DIR    ship this Java runtime (it needs bin/java.exe or bin/javaw.exe)\n"
           "  --java-version V       else take an installed VM: 17+ (17 or later), 17 (any 17.x),\n"
           "                         11.0.2 (exactly); without either, any installed VM\n"
           "  --console              the console launcher (default: installers print and run silently)\n"
           "  --no-console           the windowed launcher, for desktop applications\n"
           "  --keep-payload DIR     also write the laid-out folder there, to edit and pack later\n"
           "  --out FILE             the installer to write (default: NAME.exe)\n"
           "  --stub FILE            the self-extractor (default: the shipped i686/ruvo.exe)\n"
           "  --launcher-dir DIR     where quillrun.exe and quillrunw.exe are (default: the\n"
           "                         shipped x64 folder)\n"
           "  --level N              deflate level, 0 to 9; default 6\n"
           "  @FILE                  read options from FILE, one per line with its value\n" +
           nativeAppUsageText() + "\n" + installUsageText() + "\n";
}

std::optional<std::string> manifestMainClass(std::string_view manifest) {
    return manifestAttribute(manifest, "main-class");
}

std::optional<std::string> manifestAttribute(std::string_view manifest, std::string_view lowerName) {
    // Lines end with CR LF, LF or CR; a line starting with one space continues the previous one.
    std::vector<std::string> lines;
    std::string current;
    for (size_t i = 0; i <= manifest.size(); ++i) {
        const bool end = i == manifest.size() || manifest[i] == '\n' || manifest[i] == '\r';
        if (!end) {
            current += manifest[i];
            continue;
        }
        if (i < manifest.size() && manifest[i] == '\r' && i + 1 < manifest.size() && manifest[i + 1] == '\n') ++i;
        if (!current.empty() && current[0] == ' ' && !lines.empty())
            lines.back() += current.substr(1);
        else
            lines.push_back(current);
        if (current.empty()) break;  // the main section ends at the first blank line
        current.clear();
    }
    for (const auto& line : lines) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = velmora::asciiLower(line.substr(0, colon));
        if (name != lowerName) continue;
        std::string value = trimmed(line.substr(colon + 1));
        if (!value.empty()) return value;
    }
    return std::nullopt;
}

bool validVmListOf(const std::string& javaVersion, std::string& list, std::string& error) {
    std::string text = javaVersion;
    const char suffix = !text.empty() && (text.back() == '+' || text.back() == '*') ? text.back() : 0;
    if (suffix) text.pop_back();
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t dot = text.find('.', start);
        if (dot == std::string::npos) dot = text.size();
        parts.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
    bool valid = parts.size() <= 3 || (parts.size() == 4 && parts[0] == "1");
    for (const auto& part : parts) valid = valid && allDigits(part) && part.size() <= 4;
    if (!valid) {
        error = "--java-version " + javaVersion +
                ": the launcher's VM list cannot express this; write a version (17, 1.8, 11.0.2), a version and + "
                "(17+: that one or later) or * (17*: any 17.x)";
        return false;
    }
    // A bare major version means any update of it, as "17" does for a Java developer.
    list = text + (suffix ? std::string(1, suffix) : parts.size() == 1 ? "*" : "");
    return true;
}

std::string escapedKivValue(std::string_view utf8) {
    std::string out;
    size_t at = 0;
    while (at < utf8.size()) {
        const size_t before = at;
        const uint32_t c = nextCodePoint(utf8, at);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x10000) {
            appendUnitEscape(out, 0xD800 + ((c - 0x10000) >> 10));
            appendUnitEscape(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else if (c >= 0x20 && c < 0x7F && !(c == ' ' && before == 0)) {
            out += static_cast<char>(c);  // a space before a value would be dropped by the reader
        } else {
            appendUnitEscape(out, c);
        }
    }
    // Spaces at the end would be dropped as well.
    size_t kept = out.size();
    while (kept > 0 && out[kept - 1] == ' ') --kept;
    std::string tail;
    for (size_t i = kept; i < out.size(); ++i) appendUnitEscape(tail, ' ');
    return out.substr(0, kept) + tail;
}

std::string applicationKivText(const ApplicationKiv& kiv) {
    auto line = [](const char* key, std::string_view value) { return std::string(key) + "=" + escapedKivValue(value) + "\n"; };
    std::string classPath;
    for (const auto& entry : kiv.classPath) {
        std::string windowsEntry = entry;
        for (auto& c : windowsEntry)
            if (c == '/') c = '\\';
        if (!classPath.empty()) classPath += ';';
        classPath += windowsEntry;
    }
    std::string text = "# Written by ruvo-pack in application mode; pack the folder again after editing.\n";
    text += line("kiv.application.name", kiv.name);
    text += line("kiv.nl.java.launcher.main.class", kiv.mainClass);
    text += line("kiv.class.path", classPath);
    if (!kiv.currentVm.empty()) {
        std::string vm = kiv.currentVm;
        for (auto& c : vm)
            if (c == '/') c = '\\';
        text += line("kiv.nl.current.vm", vm);
    } else {
        text += line("kiv.nl.valid.vm.list", kiv.vmList);
    }
    text += line("kiv.nl.java.option.java.heap.size.initial", kiv.heapInitial);
    text += line("kiv.nl.java.option.java.heap.size.max", kiv.heapMax);
    if (!kiv.javaOptions.empty()) text += line("kiv.nl.java.option.additional", joinedQuoted(kiv.javaOptions));
    if (!kiv.applicationId.empty()) text += line("kiv.application.id", kiv.applicationId);
    // Unpacked, the program runs in its own folder, where its files are; installed, in the folder
    // it is started from (a shortcut sets its own), so that a command-line tool finds the user's
    // files. Either way it gets the user's arguments.
    text += kiv.installed ? "kiv.user.dir=\n" : "kiv.user.dir=.\n";
    text += "kiv.nl.java.arguments.plain=true\n";
    if (kiv.cleanup) text += "kiv.installer.cleanup=true\n";
    if (!kiv.arguments.empty()) text += line("kiv.nl.java.arguments.fixed", joinedQuoted(kiv.arguments));
    return text + kiv.extraLines;
}

}  // namespace ruvo_pack

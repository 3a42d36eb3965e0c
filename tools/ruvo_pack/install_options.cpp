#include "tools/ruvo_pack/install_options.h"

#include <algorithm>

#include "common/text_convert.h"
#include "tools/ruvo_pack/branding_options.h"
#include "tools/ruvo_pack/version_resource.h"

namespace ruvo_pack {
namespace {

bool isAsciiAlnum(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

std::string alnumOnly(std::string_view text) {
    std::string out;
    for (char c : text)
        if (isAsciiAlnum(c)) out += c;
    return out;
}

// Types whose opening Windows itself owns: taking them over would run the application in
// place of every program, script or shortcut of that type.
constexpr const char* kRefusedExtensions[] = {".exe", ".com", ".bat", ".cmd", ".lnk", ".pif", ".scr", ".msi",
                                              ".dll", ".sys", ".cpl", ".url", ".reg", ".vbs", ".js",  ".ps1"};

constexpr size_t kMaxAppId = 128, kMaxExtension = 32, kMaxDescription = 256;

std::string trimmed(std::string_view text) {
    size_t start = 0, end = text.size();
    while (start < end && (text[start] == ' ' || text[start] == '\t' || text[start] == '\r')) ++start;
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
    return std::string(text.substr(start, end - start));
}

// A description's problem: not UTF-8, a control character, '|' (the settings' separator), too long.
std::string descriptionProblem(const std::string& text) {
    std::u16string wide;
    if (!utf16OfUtf8(text, wide)) return "not valid UTF-8";
    for (char16_t c : wide)
        if (c < 0x20 || c == 0x7F) return "holds a control character";
    if (text.find('|') != std::string::npos) return "holds '|'";
    if (wide.size() > kMaxDescription) return "longer than " + std::to_string(kMaxDescription) + " characters";
    return {};
}

std::string extensionProblem(const std::string& extension) {
    if (extension.size() < 2 || extension[0] != '.') return "needs a name after the dot";
    if (extension.size() - 1 > kMaxExtension) return "longer than " + std::to_string(kMaxExtension) + " characters";
    for (size_t i = 1; i < extension.size(); ++i)
        if (!isAsciiAlnum(extension[i]) && extension[i] != '_' && extension[i] != '-')
            return "may hold only letters A-Z, digits, '_' and '-' after its dot";
    const std::string lowered = velmora::asciiLower(extension);
    for (const char* refused : kRefusedExtensions)
        if (lowered == refused) return "belongs to Windows itself (programs, scripts or shortcuts of that type would open the application)";
    return {};
}

}  // namespace

std::string appIdProblem(std::string_view id) {
    if (id.empty()) return "is empty";
    if (id.size() > kMaxAppId) return "is " + std::to_string(id.size()) + " characters long; at most 128";
    for (char c : id)
        if (!isAsciiAlnum(c) && c != '.' && c != '_' && c != '-')
            return "may hold only letters A-Z, digits, '.', '_' and '-'";
    if (id.front() == '.' || id.back() == '.') return "may neither start nor end with a dot";
    return {};
}

std::string defaultAppId(const std::string& name, const std::optional<std::string>& vendor) {
    const std::string namePart = alnumOnly(name);
    if (namePart.empty()) return {};
    const std::string vendorPart = vendor ? alnumOnly(*vendor) : std::string();
    return vendorPart.empty() ? namePart : vendorPart + "." + namePart;
}

bool parseFileAssociation(const std::string& value, FileAssociation& association, std::string& error) {
    const size_t equals = value.find('=');
    association.extension = value.substr(0, equals);
    association.description = equals == std::string::npos ? std::string() : value.substr(equals + 1);
    if (!association.extension.empty() && association.extension[0] != '.')
        association.extension.insert(association.extension.begin(), '.');
    std::string problem = extensionProblem(association.extension);
    if (!problem.empty()) {
        error = "--file-association " + value + ": the extension " + problem;
        return false;
    }
    problem = association.description.empty() ? std::string() : descriptionProblem(association.description);
    if (!problem.empty()) error = "--file-association " + value + ": the description " + problem;
    return problem.empty();
}

bool isEngineFileName(std::string_view name) {
    const std::string lowered = velmora::asciiLower(name);
    for (const char* own : {"uninstall.exe", "uninstall.settings", "uninstall.files", "setup.carried"})
        if (lowered == own) return true;
    return false;
}

std::string installedNameProblem(const std::string& name) {
    if (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        return "ends with a space or a dot, which a Windows folder name cannot";
    if (!name.empty() && name.front() == ' ') return "starts with a space";
    return {};
}

bool takeInstallOption(const std::vector<std::string>& arguments, size_t& i, InstallOptions& options,
                       std::string& error) {
    const std::string& a = arguments[i];
    if (options.installingOnly.empty() && (a == "--desktop-shortcut" || a == "--no-start-menu" || a == "--no-launch" ||
                                           a == "--scope" || a == "--file-association"))
        options.installingOnly = a;
    if (a == "--desktop-shortcut" || a == "--no-start-menu" || a == "--no-launch") {
        if (a == "--desktop-shortcut") options.desktopShortcut = true;
        if (a == "--no-start-menu") options.startMenu = false;
        if (a == "--no-launch") options.launchAfterInstall = false;
        return true;
    }
    if (a != "--type" && a != "--app-id" && a != "--scope" && a != "--file-association") return false;
    if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        error = a + " needs a value";
        return true;
    }
    const std::string& value = arguments[++i];
    if (a == "--type") {
        if (value != "install" && value != "run") error = "--type takes install or run, not '" + value + "'";
        options.type = value == "run" ? OutputType::Run : OutputType::Install;
    } else if (a == "--scope") {
        if (value != "user" && value != "machine") error = "--scope takes user or machine, not '" + value + "'";
        options.scope = value == "machine" ? InstallScope::Machine : InstallScope::User;
    } else if (a == "--app-id") {
        const std::string problem = appIdProblem(value);
        if (!options.appId.empty()) error = "--app-id is given twice";
        else if (!problem.empty()) error = "--app-id " + value + ": " + problem;
        options.appId = value;
    } else {
        FileAssociation association;
        if (!parseFileAssociation(value, association, error)) return true;
        for (const auto& known : options.associations)
            if (velmora::asciiLower(known.extension) == velmora::asciiLower(association.extension))
                error = "--file-association " + association.extension + " is given twice";
        options.associations.push_back(std::move(association));
    }
    return true;
}

std::string setupSettingsText(const SetupSettings& s) {
    auto flag = [](bool on) { return on ? "true" : "false"; };
    std::string text = "# Written by ruvo-pack: the setup engine's settings (UTF-8, key=value).\n";
    text += "app.id=" + s.appId + "\n";
    text += "app.name=" + s.name + "\n";
    text += "app.version=" + s.version + "\n";
    text += "app.vendor=" + s.vendor + "\n";
    text += "app.launcher=" + s.launcher + "\n";
    text += std::string("install.scope=") + (s.options.scope == InstallScope::Machine ? "machine" : "user") + "\n";
    text += std::string("shortcut.startMenu=") + flag(s.options.startMenu) + "\n";
    text += std::string("shortcut.desktop=") + flag(s.options.desktopShortcut) + "\n";
    text += std::string("launch.afterInstall=") + flag(s.options.launchAfterInstall) + "\n";
    for (const auto& a : s.options.associations) text += "association=" + a.extension + "|" + a.description + "\n";
    return text;
}

std::vector<SettingsProblem> checkSetupSettings(std::string_view text, std::string* launcher) {
    std::vector<SettingsProblem> problems;
    struct Seen {
        std::string value;
        int line = 0;
    };
    const char* const keys[] = {"app.id",           "app.name",          "app.version",
                                "app.vendor",       "app.launcher",      "install.scope",
                                "shortcut.startMenu", "shortcut.desktop", "launch.afterInstall"};
    Seen seen[std::size(keys)];
    std::vector<std::string> extensions;
    int lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            problems.push_back({lineNumber, true, "no '=': the engine reads key=value lines"});
            continue;
        }
        const std::string key = trimmed(line.substr(0, equals)), value = trimmed(line.substr(equals + 1));
        if (key == "association") {
            const size_t bar = value.find('|');
            const std::string extension = value.substr(0, bar);
            std::string problem = bar == std::string::npos ? "needs .ext|Description" : extensionProblem(extension);
            if (problem.empty() && bar != std::string::npos && bar + 1 < value.size())
                problem = descriptionProblem(value.substr(bar + 1));
            if (problem.empty() &&
                std::find(extensions.begin(), extensions.end(), velmora::asciiLower(extension)) != extensions.end())
                problem = "given twice";
            extensions.push_back(velmora::asciiLower(extension));
            if (!problem.empty()) problems.push_back({lineNumber, true, std::string("association=").append(value).append(": ").append(problem)});
            continue;
        }
        const auto known = std::find(std::begin(keys), std::end(keys), key);
        if (known == std::end(keys)) {
            problems.push_back({lineNumber, false, "unknown key " + key + ": the engine ignores it"});
            continue;
        }
        seen[known - std::begin(keys)] = {value, lineNumber};
    }
    auto judge = [&](const char* key, auto&& problemOf) {
        const auto at = std::find(std::begin(keys), std::end(keys), std::string_view(key)) - std::begin(keys);
        const Seen& s = seen[at];
        if (s.line == 0) {
            if (std::string_view(key) != "app.vendor") problems.push_back({0, true, std::string(key) + " is missing"});
            return;
        }
        const std::string problem = problemOf(s.value);
        if (!problem.empty()) problems.push_back({s.line, true, std::string(key) + "=" + s.value + ": " + problem});
    };
    judge("app.id", [](const std::string& v) { return appIdProblem(v); });
    judge("app.name", [](const std::string& v) -> std::string {
        if (v.empty()) return "empty";
        if (v.find_first_of("\\/:*?\"<>|") != std::string::npos) return "cannot name a Windows folder";
        return descriptionProblem(v);
    });
    judge("app.version", [](const std::string& v) {
        VersionNumbers numbers;
        std::string error;
        return parseVersionNumbers(v, numbers, error) ? std::string() : error;
    });
    judge("app.vendor", [](const std::string& v) { return v.empty() ? std::string() : descriptionProblem(v); });
    judge("app.launcher", [](const std::string& v) -> std::string {
        const std::string lowered = velmora::asciiLower(v);
        if (lowered.size() < 5 || lowered.substr(lowered.size() - 4) != ".exe") return "not the name of an .exe file";
        if (v.find_first_of("\\/:") != std::string::npos) return "a file name, without a folder";
        return {};
    });
    judge("install.scope", [](const std::string& v) {
        return v == "user" || v == "machine" ? std::string() : std::string("the engine knows user and machine");
    });
    for (const char* flagKey : {"shortcut.startMenu", "shortcut.desktop", "launch.afterInstall"})
        judge(flagKey, [](const std::string& v) {
            return v == "true" || v == "false" ? std::string() : std::string("the engine knows true and false");
        });
    if (launcher) *launcher = seen[4].value;
    std::stable_sort(problems.begin(), problems.end(),
                     [](const SettingsProblem& a, const SettingsProblem& b) { return a.line < b.line; });
    return problems;
}

std::string installUsageText() {
    return "Output type and installation (application mode):\n"
           "  --type install|run     install (default): an installer that installs the application\n"
           "                         per user or per machine, with shortcuts and an uninstaller;\n"
           "                         run: an installer that unpacks and runs it, and removes the\n"
           "                         unpacked folder when the program ends\n"
           "  --app-id ID            the identity kept across versions (A-Z a-z 0-9 . _ -, at most\n"
           "                         128); default VENDOR.NAME without other characters\n"
           "  --scope user|machine   install for the user (default, no administrator) or for\n"
           "                         every user of the machine (asks for elevation)\n"
           "  --desktop-shortcut     also put a shortcut on the desktop\n"
           "  --no-start-menu        no Start-menu shortcut\n"
           "  --no-launch            do not start the application after an interactive install\n"
           "  --file-association EXT[=DESCRIPTION]\n"
           "                         the installed application opens files of type EXT (repeatable)\n"
           "  (--scope, the shortcut options, --no-launch and --file-association are refused with\n"
           "  --type run, which installs nothing)\n";
}

}  // namespace ruvo_pack

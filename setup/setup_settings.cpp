#include "setup/setup_settings.h"

#include "common/text_convert.h"

namespace quillsetup {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool parseSwitch(std::string_view key, std::string_view value, bool& out, std::string& problem) {
    if (value == "true" || value == "false") {
        out = value == "true";
        return true;
    }
    problem = std::string(key) + " must be true or false, not \"" + std::string(value) + "\"";
    return false;
}

bool isExtensionChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
           c == L'-' || c == L'+';
}

bool parseAssociation(std::wstring_view text, FileAssociation& out) {
    const size_t bar = text.find(L'|');
    std::wstring_view extension = text.substr(0, bar);
    if (extension.size() < 2 || extension.size() > 32 || extension[0] != L'.') return false;
    for (wchar_t c : extension.substr(1))
        if (!isExtensionChar(c)) return false;
    out.extension = velmora::asciiLower(extension);
    out.description = bar == std::wstring_view::npos ? std::wstring() : std::wstring(text.substr(bar + 1));
    return true;
}

}  // namespace

bool parseVersionNumber(std::wstring_view text, VersionNumber& out) {
    VersionNumber result;
    size_t part = 0;
    uint32_t value = 0;
    bool digits = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == L'.') {
            if (!digits || part == 4) return false;
            result.parts[part++] = static_cast<uint16_t>(value);
            value = 0;
            digits = false;
        } else if (text[i] >= L'0' && text[i] <= L'9') {
            value = value * 10 + static_cast<uint32_t>(text[i] - L'0');
            if (value > 65535) return false;
            digits = true;
        } else {
            return false;
        }
    }
    out = result;
    return true;
}

int compareVersions(const VersionNumber& a, const VersionNumber& b) {
    for (int i = 0; i < 4; ++i)
        if (a.parts[i] != b.parts[i]) return a.parts[i] < b.parts[i] ? -1 : 1;
    return 0;
}

bool isValidAppId(std::wstring_view id) {
    if (id.empty() || id.size() > 128 || id.front() == L'.' || id.back() == L'.') return false;
    for (wchar_t c : id)
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
              c == L'_' || c == L'-'))
            return false;
    return true;
}

bool isPlainFileName(std::wstring_view name) {
    if (name.empty() || name.size() > 200 || name == L"." || name == L"..") return false;
    if (name.back() == L'.' || name.back() == L' ' || name.front() == L' ') return false;
    for (wchar_t c : name)
        if (c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) return false;
    // Device names stay devices with any extension.
    std::wstring stem = velmora::asciiUpper(name.substr(0, name.find(L'.')));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"})
        if (stem == device) return false;
    if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'0' &&
        stem[3] <= L'9')
        return false;
    return true;
}

bool parseSetupSettings(std::string_view bytes, SetupSettings& out, std::string& problem) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    SetupSettings settings;
    bool sawId = false, sawName = false, sawVersion = false, sawLauncher = false;
    std::string scope = "user";
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        std::string_view line = trimmed(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty() || line[0] == '#') continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            problem = "a line without '=': \"" + std::string(line) + "\"";
            return false;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        const std::wstring wide = velmora::utf8ToWide(value);
        if (key == "app.id") {
            settings.appId = wide;
            sawId = true;
        } else if (key == "app.name") {
            settings.name = wide;
            sawName = true;
        } else if (key == "app.version") {
            settings.version = wide;
            sawVersion = true;
        } else if (key == "app.vendor") {
            settings.vendor = wide;
        } else if (key == "app.launcher") {
            settings.launcher = wide;
            sawLauncher = true;
        } else if (key == "install.scope") {
            scope = std::string(value);
        } else if (key == "shortcut.startMenu") {
            if (!parseSwitch(key, value, settings.startMenuShortcut, problem)) return false;
        } else if (key == "shortcut.desktop") {
            if (!parseSwitch(key, value, settings.desktopShortcut, problem)) return false;
        } else if (key == "launch.afterInstall") {
            if (!parseSwitch(key, value, settings.launchAfterInstall, problem)) return false;
        } else if (key == "association") {
            FileAssociation association;
            if (!parseAssociation(wide, association)) {
                problem = "association must be .ext|Description, not \"" + std::string(value) + "\"";
                return false;
            }
            // The same extension twice: the last description wins.
            std::erase_if(settings.associations,
                          [&](const FileAssociation& a) { return a.extension == association.extension; });
            settings.associations.push_back(association);
        }
    }
    VersionNumber version;
    if (!sawId || !isValidAppId(settings.appId))
        problem = sawId ? "app.id \"" + velmora::wideToUtf8(settings.appId) + "\" is not a valid identity"
                        : "app.id is missing";
    else if (!sawName || !isPlainFileName(settings.name))
        problem = sawName ? "app.name \"" + velmora::wideToUtf8(settings.name) + "\" cannot be a folder name"
                          : "app.name is missing";
    else if (!sawVersion || !parseVersionNumber(settings.version, version))
        problem = sawVersion ? "app.version \"" + velmora::wideToUtf8(settings.version) + "\" is not 1-4 numbers"
                             : "app.version is missing";
    else if (!sawLauncher || !isPlainFileName(settings.launcher))
        problem = sawLauncher ? "app.launcher \"" + velmora::wideToUtf8(settings.launcher) + "\" is not a file name"
                              : "app.launcher is missing";
    else if (scope != "user" && scope != "machine")
        problem = "install.scope must be user or machine, not \"" + scope + "\"";
    if (!problem.empty()) return false;
    settings.perMachine = scope == "machine";
    out = std::move(settings);
    return true;
}

std::string composeSetupSettings(const SetupSettings& s) {
    auto line = [](std::string& out, const char* key, const std::wstring& value) {
        out += key;
        out += '=';
        out += velmora::wideToUtf8(value);
        out += '\n';
    };
    auto flag = [](bool value) { return std::wstring(value ? L"true" : L"false"); };
    std::string out;
    line(out, "app.id", s.appId);
    line(out, "app.name", s.name);
    line(out, "app.version", s.version);
    line(out, "app.vendor", s.vendor);
    line(out, "app.launcher", s.launcher);
    line(out, "install.scope", s.perMachine ? L"machine" : L"user");
    line(out, "shortcut.startMenu", flag(s.startMenuShortcut));
    line(out, "shortcut.desktop", flag(s.desktopShortcut));
    line(out, "launch.afterInstall", flag(s.launchAfterInstall));
    for (const FileAssociation& a : s.associations) line(out, "association", a.extension + L"|" + a.description);
    return out;
}

}  // namespace quillsetup

#include "setup/system_entries.h"

#include "setup/install_plan.h"

namespace quillsetup {
namespace {

RegistryValue text(const wchar_t* name, std::wstring value) { return {name, REG_SZ, std::move(value), 0}; }
RegistryValue number(const wchar_t* name, DWORD value) { return {name, REG_DWORD, {}, value}; }

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace

std::wstring uninstallKeyPath(const std::wstring& appId) {
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appId;
}

std::wstring uninstallCommand(const std::wstring& installDir, bool silent) {
    return quoted(installDir + L"\\" + kUninstallerName) + L" --uninstall" + (silent ? L" -i silent" : L"");
}

RegistryKeyValues uninstallEntry(const SetupSettings& s, const std::wstring& installDir, DWORD sizeKb,
                                 const std::wstring& date) {
    RegistryKeyValues entry{uninstallKeyPath(s.appId), {}};
    entry.values = {
        text(L"DisplayName", s.name),
        text(L"DisplayVersion", s.version),
        text(L"Publisher", s.vendor),
        text(L"DisplayIcon", installDir + L"\\" + s.launcher),
        text(L"InstallLocation", installDir),
        text(L"UninstallString", uninstallCommand(installDir, false)),
        text(L"QuietUninstallString", uninstallCommand(installDir, true)),
        number(L"EstimatedSize", sizeKb),
        number(L"NoModify", 1),
        number(L"NoRepair", 1),
        text(L"InstallDate", date),
    };
    return entry;
}

std::wstring progIdOf(const std::wstring& appId, const std::wstring& extension) {
    return appId + L"." + extension.substr(extension.starts_with(L".") ? 1 : 0);
}

std::vector<RegistryKeyValues> associationKeys(const SetupSettings& s, const FileAssociation& a,
                                               const std::wstring& launcherPath) {
    const std::wstring progId = progIdOf(s.appId, a.extension);
    const std::wstring classes = L"Software\\Classes\\";
    const std::wstring description = a.description.empty() ? s.name + L" " + a.extension.substr(1) : a.description;
    return {
        {classes + progId, {text(L"", description)}},
        {classes + progId + L"\\DefaultIcon", {text(L"", quoted(launcherPath) + L",0")}},
        {classes + progId + L"\\shell\\open\\command", {text(L"", quoted(launcherPath) + L" \"%1\"")}},
        {classes + a.extension, {text(L"", progId)}},
        {classes + a.extension + L"\\OpenWithProgids", {{progId, REG_NONE, {}, 0}}},
    };
}

std::wstring dateText(unsigned year, unsigned month, unsigned day) {
    wchar_t buffer[16];
    wsprintfW(buffer, L"%04u%02u%02u", year, month, day);
    return buffer;
}

std::wstring formatText(const std::wstring& pattern, const std::wstring& first, const std::wstring& second) {
    std::wstring out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (pattern[i] == L'%' && (next == L'1' || next == L'2' || next == L'%')) {
            out += next == L'1' ? first : next == L'2' ? second : L"%";
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace quillsetup

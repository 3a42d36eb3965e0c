#pragma once
// What the engine writes into the registry for an installed application, composed as values:
// the Apps & features entry and the file associations. Pure; registry_store writes them.
#include <windows.h>

#include <string>
#include <vector>

#include "setup/setup_settings.h"

namespace quillsetup {

struct RegistryValue {
    std::wstring name;  // empty: the key's default value
    DWORD type = REG_SZ;  // REG_SZ, REG_DWORD or REG_NONE
    std::wstring text;
    DWORD number = 0;
};

struct RegistryKeyValues {
    std::wstring path;  // below HKCU or HKLM
    std::vector<RegistryValue> values;
};

std::wstring uninstallKeyPath(const std::wstring& appId);

// The entry Apps & features shows. `sizeKb` is the installed size, `date` yyyymmdd.
RegistryKeyValues uninstallEntry(const SetupSettings& settings, const std::wstring& installDir, DWORD sizeKb,
                                 const std::wstring& date);
std::wstring uninstallCommand(const std::wstring& installDir, bool silent);

// "<app id>.<extension without its dot>".
std::wstring progIdOf(const std::wstring& appId, const std::wstring& extension);

// The keys of one association below Software\Classes: the ProgID with its description, icon and
// open command, and the extension naming it (its default and OpenWithProgids).
std::vector<RegistryKeyValues> associationKeys(const SetupSettings& settings, const FileAssociation& association,
                                               const std::wstring& launcherPath);

// A date as yyyymmdd.
std::wstring dateText(unsigned year, unsigned month, unsigned day);

// `pattern` with %1 and %2 replaced by the arguments; %% is one percent sign.
std::wstring formatText(const std::wstring& pattern, const std::wstring& first, const std::wstring& second = {});

}  // namespace quillsetup

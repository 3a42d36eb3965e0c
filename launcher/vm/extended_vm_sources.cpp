#include "launcher/vm/extended_vm_sources.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "launcher/environment_snapshot.h"
#include "launcher/vm/registry_key.h"
#include "launcher/vm/registry_views.h"

namespace velmora::launcher {
namespace {

// HKCU\Software is one key for 32-bit and 64-bit programs alike; HKLM\Software has two.
struct Hive {
    HKEY handle;
    const wchar_t* name;
    ViewOrder views;
};
const Hive kHives[] = {
    {HKEY_LOCAL_MACHINE, L"HKLM", ViewOrder::WideFirst},
    {HKEY_CURRENT_USER, L"HKCU", ViewOrder::Shared},
};

// Names of variables ignore case, as the system's own lookups do.
std::wstring environmentValue(const std::wstring& name) {
    const EnvironmentSnapshot& environment = EnvironmentSnapshot::current();
    for (const auto& [variable, value] : environment.variables())
        if (equalsIgnoringAsciiCase(variable, name)) return environment.getExpanded(variable);
    return {};
}

std::vector<std::wstring> subkeysOf(HKEY hive, REGSAM view, const std::wstring& path) {
    RegistryKey key;
    std::vector<std::wstring> names;
    // most makers are not on a given machine
    if (key.tryOpen(hive, path, KEY_READ | view) != ERROR_SUCCESS || key.trySubkeyNames(names) != ERROR_SUCCESS) return {};
    return names;
}

// The home value of a release key; a value that is missing or not text becomes the
// candidate's problem, never an error.
ExtendedCandidate readHomeValue(HKEY hive, REGSAM view, const std::wstring& keyPath, std::wstring_view valueName,
                                std::wstring source) {
    ExtendedCandidate candidate{std::move(source), L"", L""};
    const std::wstring name(valueName);
    RegistryKey key;
    std::optional<DWORD> type;
    std::wstring text;
    const bool opened = key.tryOpen(hive, keyPath, KEY_READ | view) == ERROR_SUCCESS;
    if (opened && !(type = key.valueType(name)))
        candidate.problem = L"no value " + name;
    else if (opened && *type != REG_SZ && *type != REG_EXPAND_SZ)
        candidate.problem = L"the value " + name + L" is not text";
    else if (!opened || key.tryReadString(name, text) != ERROR_SUCCESS)
        candidate.problem = L"the value " + name + L" cannot be read";
    else
        candidate.home = *type == REG_EXPAND_SZ ? expandEnvironmentText(text) : text;
    return candidate;
}

void addRegistryCandidates(std::vector<ExtendedCandidate>& into) {
    for (const Hive& hive : kHives)
        for (const RegistryView& view : registryViews(hive.views))
            for (const VendorLayout& layout : vendorLayouts()) {
                SubkeyLister lister = [&](const std::wstring& path) { return subkeysOf(hive.handle, view.flag, path); };
                for (const auto& keyPath : vendorHomeKeys(layout, lister))
                    into.push_back(readHomeValue(hive.handle, view.flag, keyPath, layout.homeValue,
                                                 L"registry " + std::wstring(hive.name) + L"\\" + keyPath + view.label));
            }
}

}  // namespace

std::vector<std::wstring> subfolderNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchLimitToDirectories, nullptr, 0));
    if (!find) return names;
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (::FindNextFileW(find.get(), &found));
    // The file system's order differs between machines; the trail and the first match should not.
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return asciiLower(a) < asciiLower(b); });
    return names;
}

std::vector<ExtendedCandidate> gatherExtendedCandidates() {
    std::vector<ExtendedCandidate> candidates;
    const std::wstring javaHome = environmentValue(L"JAVA_HOME");
    if (!javaHome.empty()) candidates.push_back({L"JAVA_HOME", javaHome, L""});
    addRegistryCandidates(candidates);
    for (const auto& parent : installFolderParents(environmentValue))
        for (const auto& name : subfolderNames(parent)) {
            std::wstring home = std::wstring(parent).append(L"\\").append(name);
            candidates.push_back({L"folder " + home, home, L""});
        }
    return candidates;
}

std::wstring finalPathOf(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return path;
    std::wstring buffer(512, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= buffer.size()) {
        buffer.assign(length + 1, L'\0');
        length = ::GetFinalPathNameByHandleW(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (length == 0 || length >= buffer.size()) return path;
    buffer.resize(length);
    if (buffer.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + buffer.substr(8);
    if (buffer.starts_with(L"\\\\?\\")) return buffer.substr(4);
    return buffer;
}

}  // namespace velmora::launcher

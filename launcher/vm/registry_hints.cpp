#include "launcher/vm/registry_hints.h"

#include <cwchar>
#include <utility>

#include "file_rules/vm_spec_file.h"
#include "launcher/vm/registry_key.h"
#include "launcher/vm/registry_views.h"

namespace velmora::launcher {
namespace {

// The text after the first backslash, trimmed; empty when there is none.
std::wstring afterBackslash(std::wstring_view text) {
    size_t slash = text.find(L'\\');
    return slash == std::wstring_view::npos ? std::wstring() : trimmedText(text.substr(slash + 1));
}

// 64-bit view first, then the 32-bit view. False when neither opens.
bool openInEitherView(RegistryKey& key, HKEY hive, const std::wstring& path) {
    if (!hive) return false;
    for (const RegistryView& view : registryViews(ViewOrder::WideFirst))
        if (key.tryOpen(hive, path, KEY_READ | view.flag) == ERROR_SUCCESS) return true;
    return false;
}

}  // namespace

HKEY hiveOfHint(std::wstring_view line) {
    static const std::pair<const wchar_t*, HKEY> kHives[] = {
        {L"\\HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"\\HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"\\HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"\\HKEY_USERS", HKEY_USERS},
        {L"\\HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {L"\\HKEY_PERFORMANCE_TEXT", HKEY_PERFORMANCE_TEXT},
        {L"\\HKEY_PERFORMANCE_NLSTEXT", HKEY_PERFORMANCE_NLSTEXT},
        {L"\\HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {L"\\HKEY_DYN_DATA", HKEY_DYN_DATA},
    };
    for (const auto& [name, hive] : kHives)
        if (line.substr(0, std::wcslen(name)) == name) return hive;
    return nullptr;
}

RegistryHint splitRegistryHint(std::wstring_view line) {
    RegistryHint hint;
    hint.hive = hiveOfHint(line);
    std::wstring path = afterBackslash(afterBackslash(line));  // without "\" and the hive name
    size_t last = path.rfind(L'\\');
    if (last == std::wstring::npos) {
        hint.valueName = path;
    } else {
        hint.valueName = path.substr(last + 1);
        hint.keyPath = trimmedText(std::wstring_view(path).substr(0, last));
    }
    return hint;
}

bool splitWildcardHint(std::wstring_view line, WildcardHint& hint) {
    size_t star = line.rfind(L'*');
    if (star == std::wstring_view::npos) return false;
    std::wstring_view cut = line.substr(0, star);
    size_t slash = cut.rfind(L'\\');
    std::wstring_view parent = slash == std::wstring_view::npos ? std::wstring_view() : cut.substr(0, slash);
    hint.prefix = std::wstring(slash == std::wstring_view::npos ? cut : cut.substr(slash + 1));
    hint.hive = hiveOfHint(parent);
    size_t first = parent.find(L'\\');
    size_t second = first == std::wstring_view::npos ? first : parent.find(L'\\', first + 1);
    hint.parentKeyPath = second == std::wstring_view::npos ? std::wstring() : trimmedText(parent.substr(second + 1));
    hint.head = slash == std::wstring_view::npos ? std::wstring() : std::wstring(parent) + L"\\";
    hint.tail = std::wstring(line.substr(star + 1));
    return true;
}

std::vector<std::wstring> expandWildcardLine(const WildcardHint& hint, const std::vector<std::wstring>& subkeyNames) {
    std::vector<std::wstring> lines;
    for (const auto& name : subkeyNames)
        if (name.compare(0, hint.prefix.size(), hint.prefix) == 0) lines.push_back(hint.head + name + hint.tail);
    return lines;
}

std::vector<std::wstring> expandRegistryWildcards(const std::vector<std::wstring>& hints) {
    std::vector<std::wstring> expanded;
    for (const auto& line : hints) {
        WildcardHint hint;
        std::vector<std::wstring> lines;
        RegistryKey key;
        std::vector<std::wstring> names;
        // A key that cannot be listed leaves the line as it was.
        if (splitWildcardHint(line, hint) && openInEitherView(key, hint.hive, hint.parentKeyPath) &&
            key.trySubkeyNames(names) == ERROR_SUCCESS)
            lines = expandWildcardLine(hint, names);
        if (lines.empty())
            expanded.push_back(line);
        else
            expanded.insert(expanded.end(), lines.begin(), lines.end());
    }
    return expanded;
}

std::wstring readRegistryHintHome(const std::wstring& line) {
    RegistryHint hint = splitRegistryHint(line);
    RegistryKey key;
    std::wstring home;
    if (!openInEitherView(key, hint.hive, hint.keyPath) || key.tryReadString(hint.valueName, home) != ERROR_SUCCESS) return {};
    return home;
}

}  // namespace velmora::launcher

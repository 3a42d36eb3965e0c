#include "setup/install_plan.h"

#include <algorithm>
#include <set>

#include "common/text_convert.h"

namespace quillsetup {
namespace {

std::wstring key(std::wstring_view path) { return velmora::asciiLower(path); }

// What the engine itself writes into an install folder.
constexpr const wchar_t* kBookkeepingNames[] = {kUninstallerName, kUninstallSettingsName, kFileListName,
                                                kCarriedJournalName};

}  // namespace

bool samePath(std::wstring_view a, std::wstring_view b) { return velmora::equalsIgnoringAsciiCase(a, b); }

std::string composeFileList(const std::vector<std::wstring>& files) {
    std::string out;
    for (const std::wstring& file : files) {
        out += velmora::wideToUtf8(file);
        out += '\n';
    }
    return out;
}

bool isSafeRelativePath(std::wstring_view path) {
    if (path.empty() || path.front() == L'\\' || path.front() == L'/' || path.find(L':') != std::wstring_view::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = path.size();
        std::wstring_view part = path.substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        start = end + 1;
    }
    return true;
}

bool isFullPath(std::wstring_view path) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const wchar_t drive = static_cast<wchar_t>(path.empty() ? 0 : path[0] | 0x20);
    if (path.size() >= 3 && drive >= L'a' && drive <= L'z' && path[1] == L':' && separator(path[2])) return true;
    return path.size() > 2 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

std::vector<std::wstring> parseFileList(std::string_view bytes) {
    std::vector<std::wstring> files;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::wstring path = velmora::utf8ToWide(line);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        if (isSafeRelativePath(path)) files.push_back(std::move(path));
    }
    return files;
}

std::wstring clashWithBookkeeping(const std::vector<std::wstring>& newFiles) {
    for (const std::wstring& file : newFiles)
        for (const wchar_t* own : kBookkeepingNames)
            if (samePath(file, own)) return file;
    return {};
}

std::vector<std::wstring> carriedOverFiles(const std::vector<std::wstring>& oldFolderFiles,
                                           const std::vector<std::wstring>& previouslyInstalled,
                                           const std::vector<std::wstring>& newFiles) {
    std::set<std::wstring> known;
    for (const auto* list : {&previouslyInstalled, &newFiles})
        for (const std::wstring& file : *list) known.insert(key(file));
    for (const wchar_t* own : kBookkeepingNames) known.insert(key(own));
    std::vector<std::wstring> carried;
    for (const std::wstring& file : oldFolderFiles)
        if (!known.count(key(file))) carried.push_back(file);
    return carried;
}

std::vector<std::wstring> foldersOf(const std::vector<std::wstring>& files) {
    std::set<std::wstring> seen;
    std::vector<std::wstring> folders;
    for (const std::wstring& file : files) {
        for (size_t cut = file.rfind(L'\\'); cut != std::wstring::npos && cut > 0; cut = file.rfind(L'\\', cut - 1)) {
            std::wstring folder = file.substr(0, cut);
            if (seen.insert(key(folder)).second) folders.push_back(folder);
        }
    }
    // Deeper folders have more separators; among equals the order does not matter.
    std::stable_sort(folders.begin(), folders.end(), [](const std::wstring& a, const std::wstring& b) {
        return std::count(a.begin(), a.end(), L'\\') > std::count(b.begin(), b.end(), L'\\');
    });
    return folders;
}

Recovery recoveryFor(const FolderState& state) {
    Recovery recovery;
    recovery.restoreOld = !state.installed && state.pendingOld;
    recovery.salvageOld = state.installed && state.pendingOld;
    recovery.salvageNew = state.pendingNew;
    return recovery;
}

int exitCodeOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Done: return 0;
    case Outcome::Cancelled:
    case Outcome::ElevationRefused: return 1602;
    case Outcome::AnotherInstallRunning:
    case Outcome::ApplicationRunning: return 1618;
    case Outcome::NewerInstalled: return 1638;
    case Outcome::Failed: break;
    }
    return 1603;
}

}  // namespace quillsetup

#include "tools/ruvo_pack/installer_folder.h"

#include <algorithm>

#include "common/text_convert.h"
#include "file_rules/path_text.h"

namespace fs = std::filesystem;

namespace ruvo_pack {

std::string utf8Text(std::wstring_view text) {
    std::string out;
    for (wchar_t wc : text) {
        auto c = static_cast<uint32_t>(wc);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::wstring widened(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string utf8Of(const fs::path& p) {
    auto u8 = p.generic_u8string();
    return std::string(u8.begin(), u8.end());
}

fs::path pathOfUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string folderOf(const std::string& relative) {
    size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

std::string joinedPath(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

FolderIndex::FolderIndex(const fs::path& root) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::string relative = utf8Of(fs::relative(it->path(), root, ec));
        const bool directory = it->is_directory(ec);
        if (!directory) stored_.push_back(relative);
        entries_[velmora::asciiLower(relative)] = {relative, directory};
    }
    entries_[""] = {"", true};
    std::sort(stored_.begin(), stored_.end());
}

std::optional<std::string> FolderIndex::find(const std::string& relative) const {
    auto it = entries_.find(velmora::asciiLower(relative));
    if (it == entries_.end()) return std::nullopt;
    return it->second.name;
}

bool FolderIndex::isFile(const std::string& relative) const {
    auto it = entries_.find(velmora::asciiLower(relative));
    return it != entries_.end() && !it->second.directory;
}

bool FolderIndex::isDirectory(const std::string& relative) const {
    auto it = entries_.find(velmora::asciiLower(relative));
    return it != entries_.end() && it->second.directory;
}

std::vector<std::string> FolderIndex::files() const {
    std::vector<std::string> names;
    for (const auto& [key, entry] : entries_)
        if (!entry.directory) names.push_back(entry.name);
    return names;
}

std::vector<std::string> FolderIndex::filesIn(const std::string& folder, std::string_view suffix) const {
    std::vector<std::string> names;
    std::string prefix = folder.empty() ? std::string() : velmora::asciiLower(folder) + "/";
    for (const auto& [key, entry] : entries_) {
        if (entry.directory || key.compare(0, prefix.size(), prefix) != 0) continue;
        std::string rest = key.substr(prefix.size());
        if (rest.find('/') == std::string::npos && rest.size() > suffix.size() && rest.ends_with(suffix))
            names.push_back(entry.name.substr(entry.name.size() - rest.size()));
    }
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return velmora::asciiUpper(a) < velmora::asciiUpper(b); });
    return names;
}

std::optional<std::string> resolveIn(const std::string& base, std::wstring_view text) {
    std::vector<std::string> parts;
    if (!base.empty()) {
        size_t start = 0;
        for (size_t slash; (slash = base.find('/', start)) != std::string::npos; start = slash + 1)
            parts.push_back(base.substr(start, slash - start));
        parts.push_back(base.substr(start));
    }
    std::string path = utf8Text(velmora::launcher::collapseSeparators(text));
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& part : parts) out = joinedPath(out, part);
    return out;
}

}  // namespace ruvo_pack

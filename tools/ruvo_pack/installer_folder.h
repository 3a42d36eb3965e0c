#pragma once
// An installer folder as the self-extractor and the launcher see it on Windows: names are found
// in any letter case, and paths written the launcher's way resolve inside it.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo_pack {

// Text the launcher read (one character per byte, or escapes) as UTF-8, for messages and for
// names on disk.
std::string utf8Text(std::wstring_view text);
std::wstring widened(std::string_view ascii);
std::string utf8Of(const std::filesystem::path& path);
std::filesystem::path pathOfUtf8(const std::string& text);
// Folder-relative, '/'-separated paths; the folder itself is "".
std::string folderOf(const std::string& relative);
std::string joinedPath(const std::string& folder, const std::string& name);

// The files and folders below the installer folder.
class FolderIndex {
public:
    explicit FolderIndex(const std::filesystem::path& root);

    // The name as stored, or nullopt.
    std::optional<std::string> find(const std::string& relative) const;
    bool isFile(const std::string& relative) const;
    bool isDirectory(const std::string& relative) const;
    std::vector<std::string> files() const;
    // Every file as stored, names that differ only in case included.
    const std::vector<std::string>& storedFiles() const { return stored_; }
    // The files directly in `folder` whose names end in `suffix` (lower case), in the order a
    // directory listing of an NTFS volume gives them (by upper-cased name).
    std::vector<std::string> filesIn(const std::string& folder, std::string_view suffix) const;

private:
    struct Entry {
        std::string name;
        bool directory = false;
    };
    std::map<std::string, Entry> entries_;  // by lower-cased name
    std::vector<std::string> stored_;
};

// A path as the launcher writes it, from `base`, as a folder-relative path; nullopt when it
// climbs out of the installer folder.
std::optional<std::string> resolveIn(const std::string& base, std::wstring_view text);

}  // namespace ruvo_pack

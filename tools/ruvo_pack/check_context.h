#pragma once
// What the parts of the installer check share: the folder, its index, the findings, and the
// checks that every properties file gets.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "file_rules/property_text.h"
#include "tools/ruvo_pack/installer_check.h"
#include "tools/ruvo_pack/installer_folder.h"
#include "tools/ruvo_pack/installer_keys.h"

namespace ruvo_pack {

struct CheckContext {
    explicit CheckContext(const std::filesystem::path& folder) : root(folder), index(folder) {}

    void add(const std::string& path, int line, Severity severity, std::string text) {
        findings.push_back({path, line, severity, std::move(text)});
    }
    std::string readBytes(const std::string& relative) const;

    std::filesystem::path root;
    FolderIndex index;
    std::vector<Finding> findings;
};

// A value that the launcher reads whole: a decimal integer (white space and a sign first), and
// for a byte size one k or m after it.
bool isWholeInteger(std::wstring_view text);
bool isWholeByteSize(std::wstring_view text);

// Lines the reader skips, a byte-order mark, continued values, repeated keys.
void checkPropertySyntax(CheckContext& ctx, const std::string& path, std::string_view bytes,
                         const std::vector<velmora::launcher::PropertyLine>& lines);

// Unknown keys: those close to a known key (with it), and those in the programs' own
// namespaces, or all of them when `everyKeyIsOurs`.
void checkKnownKeys(CheckContext& ctx, KeyFile file, const std::string& path,
                    const std::vector<velmora::launcher::PropertyLine>& lines, bool everyKeyIsOurs);

}  // namespace ruvo_pack

#pragma once
// The member names of a jar (any ZIP file), read from its central directory, and one member's
// bytes (stored or deflated), such as the manifest.
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace ruvo_pack {

// Nullopt when the file cannot be read or holds no readable ZIP directory (a VM skips such
// a class path entry). Understands ZIP64 directories and data before the archive.
std::optional<std::set<std::string>> zipMemberNames(const std::filesystem::path& file);

// Nullopt when the member is missing, damaged, larger than 16 MiB or packed another way.
std::optional<std::string> zipMemberBytes(const std::filesystem::path& file, const std::string& name);

}  // namespace ruvo_pack

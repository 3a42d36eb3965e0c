#pragma once
// The version resource (VS_VERSIONINFO): its fixed part and the texts of every string table.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ruvo_pack {

using Bytes = std::vector<uint8_t>;
using VersionNumbers = std::array<uint16_t, 4>;

// "A[.B[.C[.D]]]", each a decimal number of at most 65535; missing parts are 0. False with
// the reason otherwise.
bool parseVersionNumbers(const std::string& text, VersionNumbers& numbers, std::string& error);

struct VersionStamp {
    std::map<std::u16string, std::u16string> texts;  // "ProductName" -> value, set in every table
    std::optional<VersionNumbers> fileVersion, productVersion;
};

// Applies the stamp to a version resource; adds the texts a table lacks. False when the
// resource is malformed or a text would not fit.
bool stampVersion(Bytes& resource, const VersionStamp& stamp, std::string& error);

// A version resource of one string table (US English, Unicode) with the stamp's values, for
// an image that has none.
Bytes newVersionResource(const VersionStamp& stamp);

// The value of `key` in the first string table, for tests and tools.
std::optional<std::u16string> versionText(const Bytes& resource, const std::u16string& key);

}  // namespace ruvo_pack

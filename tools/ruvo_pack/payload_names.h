#pragma once
// What Windows makes of payload names: which of them are one file there (letter case does not
// tell names apart), and the member-name rule the installer's engine applies, for UTF-8 names.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruvo_pack {

// The name with the letters of the Latin, Greek and Cyrillic alphabets in lower case, so that
// two names Windows takes for one compare equal. `utf8` must be valid UTF-8.
std::string caseFolded(std::string_view utf8);

// Pairs of '/'-separated paths (as first seen, then the other) that are one path on Windows
// while spelled differently; a clash of folders is given once, by the folders' paths.
std::vector<std::pair<std::string, std::string>> caseClashes(const std::vector<std::string>& paths);
std::string caseClashText(const std::pair<std::string, std::string>& clash);

// The code points of a valid UTF-8 text as wide characters (UTF-16 where wchar_t has 16 bits).
std::wstring widenedUtf8(std::string_view utf8);

}  // namespace ruvo_pack

#include "tools/ruvo_pack/payload_names.h"

#include <algorithm>
#include <map>

namespace ruvo_pack {
namespace {

uint32_t nextCodePoint(std::string_view text, size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t value = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int i = 1; i < length && at + static_cast<size_t>(i) < text.size(); ++i)
        value = value << 6 | (static_cast<unsigned char>(text[at + static_cast<size_t>(i)]) & 0x3F);
    at += static_cast<size_t>(length);
    return value;
}

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The capital letters of those alphabets and their small letters.
uint32_t lowerCase(uint32_t c) {
    const bool even = c % 2 == 0;
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if ((c >= 0x100 && c <= 0x137 && even) || (c >= 0x139 && c <= 0x148 && !even) ||
        (c >= 0x14A && c <= 0x177 && even) || (c >= 0x179 && c <= 0x17E && !even))
        return c + 1;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

}  // namespace

std::string caseFolded(std::string_view utf8) {
    std::string out;
    for (size_t at = 0; at < utf8.size();) appendUtf8(out, lowerCase(nextCodePoint(utf8, at)));
    return out;
}

std::vector<std::pair<std::string, std::string>> caseClashes(const std::vector<std::string>& paths) {
    std::map<std::string, std::string> seen;  // folded: as first spelled
    std::vector<std::pair<std::string, std::string>> clashes;
    for (const auto& path : paths) {
        // Each folder on the way, then the file: the first that clashes is the one to name.
        for (size_t end = path.find('/');; end = path.find('/', end + 1)) {
            const std::string prefix = path.substr(0, end);
            const auto [it, added] = seen.emplace(caseFolded(prefix), prefix);
            if (!added && it->second != prefix) {
                const std::pair<std::string, std::string> clash{it->second, prefix};
                if (std::find(clashes.begin(), clashes.end(), clash) == clashes.end()) clashes.push_back(clash);
                break;
            }
            if (end == std::string::npos) break;
        }
    }
    return clashes;
}

std::string caseClashText(const std::pair<std::string, std::string>& clash) {
    return "'" + clash.first + "' and '" + clash.second +
           "' differ only in letter case, and on Windows one would overwrite the other";
}

std::wstring widenedUtf8(std::string_view utf8) {
    std::wstring out;
    for (size_t at = 0; at < utf8.size();) {
        const uint32_t c = nextCodePoint(utf8, at);
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

}  // namespace ruvo_pack

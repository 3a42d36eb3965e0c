#include "tools/ruvo_pack/check_context.h"

#include <fstream>
#include <map>
#include <set>

#include "common/text_convert.h"

using velmora::launcher::PropertyLine;

namespace ruvo_pack {

std::string CheckContext::readBytes(const std::string& relative) const {
    std::ifstream in(root / pathOfUtf8(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool isWholeInteger(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < L'0' || text[i] > L'9') return false;
    return true;
}

bool isWholeByteSize(std::wstring_view text) {
    std::wstring value = velmora::asciiLower(text);
    if (!value.empty() && (value.back() == L'k' || value.back() == L'm')) value.pop_back();
    return isWholeInteger(value);
}

void checkPropertySyntax(CheckContext& ctx, const std::string& path, std::string_view bytes,
                         const std::vector<PropertyLine>& lines) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        ctx.add(path, 1, Severity::Warning,
                "the file begins with a UTF-8 byte-order mark, which the launcher reads as part of the first line; "
                "save it without one");
    std::set<int> read;
    std::map<std::wstring, int> seen;
    for (const auto& line : lines) {
        for (int n = line.firstLine; n <= line.lastLine; ++n) read.insert(n);
        if (line.lastLine > line.firstLine)
            ctx.add(path, line.firstLine, Severity::Warning,
                    "the value ends with a backslash, so the launcher reads line " +
                        std::to_string(line.firstLine + 1) + " as part of it");
        if (auto it = seen.find(line.key); it != seen.end())
            ctx.add(path, line.firstLine, Severity::Warning,
                    utf8Text(line.key) + " is set again; this value replaces the one of line " +
                        std::to_string(it->second));
        seen[line.key] = line.firstLine;
    }
    bytes = bytes.substr(0, bytes.find('\x1a'));
    int number = 0;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = std::min(bytes.find('\n', start), bytes.size());
        std::string_view raw = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (read.count(number) || raw.empty() || raw[0] == '#') continue;
        if (raw.find_first_not_of(" \t\r\f\v") == std::string_view::npos) continue;
        ctx.add(path, number, Severity::Warning,
                "no '=' on this line, so the launcher skips it; only '=' separates a key from its value");
    }
}

void checkKnownKeys(CheckContext& ctx, KeyFile file, const std::string& path, const std::vector<PropertyLine>& lines,
                    bool everyKeyIsOurs) {
    for (const auto& line : lines) {
        const std::string key = utf8Text(line.key);
        if (findKey(file, key)) continue;
        if (!key.empty() && key[0] == '#') {
            ctx.add(
                path, line.firstLine, Severity::Warning,
                "not a comment: only a '#' in the first column starts one, so this line sets the key '" + key + "'");
            continue;
        }
        std::string text = key + ": unknown key; ";
        if (std::string nearest = nearestKey(file, key); !nearest.empty())
            ctx.add(path, line.firstLine, Severity::Warning, text.append("did you mean ").append(nearest).append("?"));
        else if (everyKeyIsOurs || key.starts_with("kiv.nl.") || key.starts_with("kiv.win32."))
            ctx.add(path, line.firstLine, Severity::Warning, text.append("neither the launcher nor ruvo reads it"));
    }
}

}  // namespace ruvo_pack

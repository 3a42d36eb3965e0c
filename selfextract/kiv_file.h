#pragma once
// The extracted launcher's properties file, as far as the self-extractor reads it.
#include <string>
#include <string_view>

namespace ruvo {

// Properties text line by line, split at line feeds (which the lines do not keep); a final
// line feed ends the last line rather than starting an empty one.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : rest_(bytes) {}
    bool Next(std::string_view& line) {
        if (rest_.empty()) return false;
        const size_t end = rest_.find('\n');
        line = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        return true;
    }

private:
    std::string_view rest_;
};

// Removes the working directory after the launcher has ended.
inline constexpr char kCleanupKey[] = "kiv.installer.cleanup";
// The launcher hands its program the user's arguments only: this program's options must not
// reach it.
inline constexpr char kPlainArgumentsKey[] = "kiv.nl.java.arguments.plain";

// The first *.kiv of Windows\ (of Windows_Pure_64_Bit\ when there is no Windows\ folder) below
// `workingPath` (ends with "\"); empty when there is none.
std::wstring ExtractedKivPath(const std::wstring& workingPath);

// A switch read as the launcher reads it: the last "key=value" line for the key, both sides
// trimmed, '#' lines skipped; set when the value is true, on or t in any case.
bool KivSwitchIsSet(std::string_view bytes, std::string_view key);

}  // namespace ruvo

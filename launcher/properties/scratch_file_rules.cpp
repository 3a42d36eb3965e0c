#include "launcher/properties/scratch_file_rules.h"

#include "common/decimal_text.h"
#include "common/text_convert.h"

namespace velmora::launcher {
namespace {

bool isOwnLine(std::string_view line) {
    static constexpr std::string_view kFixed[] = {"kiv.control-key=", "kiv.stderr.redirect=", "kiv.stdout.redirect=",
                                                  "kiv.nl.current.vm="};
    for (std::string_view key : kFixed)
        if (line.starts_with(key)) return true;
    return line.starts_with("kiv.nl.env.") && line.find('=') != std::string_view::npos;
}

}  // namespace

std::wstring guidScratchName(const unsigned char (&random)[16]) {
    unsigned char b[16];
    for (int i = 0; i < 16; ++i) b[i] = random[i];
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4: random
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // the standard variant
    // kiv + the 8-4-4-4-12 digit groups + .tmp
    std::wstring text = L"kiv";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += L'-';
        appendHexByte(text, b[i]);
    }
    return text + L".tmp";
}

bool isOwnScratchText(std::string_view head, bool wholeFile) {
    if (head.empty()) return false;  // nothing tells whose an empty file is
    size_t start = 0;
    while (start < head.size()) {
        size_t end = head.find('\n', start);
        if (end == std::string_view::npos) {
            // A line cut by the read window counts when its start can be judged.
            return !wholeFile && (start > 0 || isOwnLine(head));
        }
        std::string_view line = head.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (!isOwnLine(line)) return false;
        start = end + 1;
    }
    return true;
}

bool isOwnArgumentFileText(std::string_view head) { return head.starts_with(kArgumentFileMark); }

std::wstring argumentFileNameFor(const std::wstring& scratchPath) {
    const bool tmp = scratchPath.size() >= 4 && asciiLower(std::wstring_view(scratchPath).substr(scratchPath.size() - 4)) == L".tmp";
    return (tmp ? scratchPath.substr(0, scratchPath.size() - 4) : scratchPath) + L".args";
}

bool olderThanDays(uint64_t lastWrite, uint64_t now, unsigned days) {
    constexpr uint64_t kDay = 24ull * 60 * 60 * 10'000'000;  // FILETIME counts 100 ns
    return now > lastWrite && now - lastWrite > days * kDay;
}

}  // namespace velmora::launcher

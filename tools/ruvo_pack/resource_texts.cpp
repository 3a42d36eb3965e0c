#include "tools/ruvo_pack/resource_texts.h"

#include <algorithm>

#include "common/byte_order.h"

namespace ruvo_pack {
namespace {

using velmora::appendLe16;
using velmora::appendLe32;
using velmora::le16At;
using velmora::le32At;

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT: a font follows the caption

// Copies a dialog template to a new one, its texts replaced; lengths and alignment follow.
class DialogRewriter {
public:
    DialogRewriter(const Bytes& in, const Replacements& r) : in_(in), r_(r) {}

    bool run(Bytes& out, int& count, std::string& error) {
        if (!rewrite()) {
            error = "a dialog template is malformed";
            return false;
        }
        out = std::move(out_);
        count += changed_;
        return true;
    }
    std::u16string caption;

private:
    bool copy(size_t n) {
        if (in_.size() - at_ < n) return false;
        out_.insert(out_.end(), in_.begin() + static_cast<std::ptrdiff_t>(at_),
                    in_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
        at_ += n;
        return true;
    }
    bool readString(std::u16string& text) {
        for (;;) {
            if (in_.size() - at_ < 2) return false;
            const char16_t c = static_cast<char16_t>(le16At(in_, at_));
            at_ += 2;
            if (c == 0) return true;
            text.push_back(c);
        }
    }
    void writeString(const std::u16string& text) {
        for (char16_t c : text) appendLe16(out_, c);
        appendLe16(out_, 0);
    }
    // A text, replaced when `replace`; nullptr keeps it as it is.
    bool text(bool replace, std::u16string* seen = nullptr) {
        std::u16string t;
        if (!readString(t)) return false;
        if (seen) *seen = t;
        if (replace) {
            std::u16string n = replacedText(t, r_);
            changed_ += n != t;
            t = std::move(n);
        }
        writeString(t);
        return true;
    }
    // A number (0xFFFF and the number), nothing (0) or a text.
    bool textOrNumber(bool replace) {
        if (in_.size() - at_ < 2) return false;
        const uint32_t first = le16At(in_, at_);
        if (first == 0xFFFF) return copy(4);
        if (first == 0) return copy(2);
        return text(replace);
    }
    bool align() {
        while (at_ % 4 && at_ < in_.size()) ++at_;
        while (out_.size() % 4) out_.push_back(0);
        return true;
    }
    bool rewrite() {
        const bool ex = in_.size() >= 4 && le16At(in_, 0) == 1 && le16At(in_, 2) == 0xFFFF;
        const size_t head = ex ? 26 : 18;
        if (in_.size() < head) return false;
        const uint32_t style = le32At(in_, ex ? 12 : 0);
        const uint32_t items = le16At(in_, ex ? 16 : 8);
        if (!copy(head) || !textOrNumber(false) || !textOrNumber(false) || !text(true, &caption)) return false;
        if (style & kSetFont) {
            if (!copy(ex ? 6 : 2) || !text(false)) return false;
        }
        for (uint32_t i = 0; i < items; ++i) {
            align();
            if (!copy(ex ? 24 : 18) || !textOrNumber(false) || !textOrNumber(true)) return false;
            if (in_.size() - at_ < 2) return false;
            if (!copy(2 + le16At(in_, at_))) return false;
        }
        return copy(in_.size() - at_);
    }

    const Bytes& in_;
    const Replacements& r_;
    Bytes out_;
    size_t at_ = 0;
    int changed_ = 0;
};

std::u16string unitsAt(const Bytes& b, size_t at, size_t n) {
    std::u16string text;
    for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char16_t>(le16At(b, at + 2 * i)));
    return text;
}

}  // namespace

std::u16string replacedText(std::u16string text, const Replacements& replacements) {
    // One pass, so that a new text holding an old word is not replaced again.
    std::u16string out;
    for (size_t at = 0; at < text.size();) {
        const auto match = std::find_if(replacements.begin(), replacements.end(), [&](const auto& r) {
            return !r.first.empty() && text.compare(at, r.first.size(), r.first) == 0;
        });
        if (match == replacements.end()) {
            out.push_back(text[at++]);
        } else {
            out += match->second;
            at += match->first.size();
        }
    }
    return out;
}

bool replaceInDialog(Bytes& dialog, const Replacements& replacements, int& count, std::string& error) {
    DialogRewriter rewriter(dialog, replacements);
    return rewriter.run(dialog, count, error);
}

std::u16string dialogCaption(const Bytes& dialog) {
    static const Replacements none;
    DialogRewriter rewriter(dialog, none);
    Bytes out;
    int count = 0;
    std::string error;
    return rewriter.run(out, count, error) ? rewriter.caption : std::u16string();
}

bool replaceInStringBlock(Bytes& block, const Replacements& replacements, int& count, std::string& error) {
    Bytes out;
    size_t at = 0;
    for (int i = 0; i < 16; ++i) {
        if (block.size() - at < 2) break;  // a block may end after its last text
        const size_t n = le16At(block, at);
        if ((block.size() - at - 2) / 2 < n) {
            error = "a string table block is malformed";
            return false;
        }
        const std::u16string text = unitsAt(block, at + 2, n);
        const std::u16string replaced = replacedText(text, replacements);
        if (replaced.size() > 0xFFFF) {
            error = "a string table text would exceed 65535 characters";
            return false;
        }
        count += replaced != text;
        appendLe16(out, static_cast<uint32_t>(replaced.size()));
        for (char16_t c : replaced) appendLe16(out, c);
        at += 2 + 2 * n;
    }
    out.insert(out.end(), block.begin() + static_cast<std::ptrdiff_t>(at), block.end());
    block = std::move(out);
    return true;
}

std::vector<std::u16string> stringBlockTexts(const Bytes& block) {
    std::vector<std::u16string> texts;
    for (size_t at = 0; texts.size() < 16 && block.size() - at >= 2;) {
        const size_t n = le16At(block, at);
        if ((block.size() - at - 2) / 2 < n) return {};
        texts.push_back(unitsAt(block, at + 2, n));
        at += 2 + 2 * n;
    }
    return texts;
}

bool replaceInMessageTable(Bytes& table, const Replacements& replacements, int& count, std::string& error) {
    error = "a message table is malformed";
    if (table.size() < 4) return false;
    const uint32_t blocks = le32At(table, 0);
    if ((table.size() - 4) / 12 < blocks) return false;
    struct Entry {
        uint32_t flags;
        Bytes text;  // as stored, terminator and padding included
    };
    std::vector<std::vector<Entry>> entries(blocks);
    for (uint32_t b = 0; b < blocks; ++b) {
        const uint32_t low = le32At(table, 4 + 12 * b), high = le32At(table, 8 + 12 * b);
        size_t at = le32At(table, 12 + 12 * b);
        if (high < low || high - low >= 0x10000) return false;
        for (uint32_t id = low; id <= high; ++id) {
            if (at > table.size() || table.size() - at < 4) return false;
            const uint32_t length = le16At(table, at), flags = le16At(table, at + 2);
            if (length < 4 || length > table.size() - at) return false;
            Entry e{flags, Bytes(table.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                 table.begin() + static_cast<std::ptrdiff_t>(at + length))};
            at += length;
            std::u16string text;
            bool ascii = true;
            if (flags & 1) {
                for (size_t i = 0; i + 1 < e.text.size(); i += 2) {
                    const char16_t c = static_cast<char16_t>(le16At(e.text, i));
                    if (c == 0) break;
                    text.push_back(c);
                }
            } else {
                for (uint8_t c : e.text) {
                    if (c == 0) break;
                    ascii = ascii && c < 0x80;
                    text.push_back(c);
                }
            }
            const std::u16string replaced = replacedText(text, replacements);
            if (replaced != text) {
                // An 8-bit text is in a code page the table does not name; only ASCII is safe to widen.
                if (!ascii) {
                    error = "a message table text in an 8-bit code page holds the name";
                    return false;
                }
                e.flags = 1;
                e.text.clear();
                for (char16_t c : replaced) appendLe16(e.text, c);
                appendLe16(e.text, 0);
                while ((e.text.size() + 4) % 4) e.text.push_back(0);
                if (e.text.size() + 4 > 0xFFFF) {
                    error = "a message table text would exceed its length field";
                    return false;
                }
                ++count;
            }
            entries[b].push_back(std::move(e));
        }
    }
    Bytes out;
    appendLe32(out, blocks);
    size_t offset = 4 + 12 * static_cast<size_t>(blocks);
    for (uint32_t b = 0; b < blocks; ++b) {
        appendLe32(out, le32At(table, 4 + 12 * b));
        appendLe32(out, le32At(table, 8 + 12 * b));
        appendLe32(out, static_cast<uint32_t>(offset));
        for (const auto& e : entries[b]) offset += 4 + e.text.size();
    }
    for (const auto& block : entries)
        for (const auto& e : block) {
            appendLe16(out, static_cast<uint32_t>(4 + e.text.size()));
            appendLe16(out, e.flags);
            out.insert(out.end(), e.text.begin(), e.text.end());
        }
    table = std::move(out);
    error.clear();
    return true;
}

}  // namespace ruvo_pack

#include "file_rules/property_text.h"

namespace velmora::launcher {
namespace {

// Sequential reader with the text-stream view of the file: CR LF reads as LF and a
// 0x1A byte ends the readable text.
class LineSource {
public:
    explicit LineSource(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\x1a'))) {}

    bool atEnd() const { return pos_ >= bytes_.size() && reachedEnd_; }
    int lineNumber() const { return lineNumber_; }  // of the line read last, from 1

    // Characters up to the next LF (consumed, not stored). Hitting the end marks it reached.
    std::wstring readLine() {
        std::wstring line;
        ++lineNumber_;
        while (true) {
            if (pos_ >= bytes_.size()) {
                reachedEnd_ = true;
                return line;
            }
            char c = bytes_[pos_++];
            if (c == '\r' && pos_ < bytes_.size() && bytes_[pos_] == '\n') continue;
            if (c == '\n') return line;
            line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
    }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
    bool reachedEnd_ = false;
    int lineNumber_ = 0;
};

std::wstring trim(std::wstring_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] <= 32) ++begin;
    while (end > begin && text[end - 1] <= 32) --end;
    return std::wstring(text.substr(begin, end - begin));
}

bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

int hexValue(wchar_t c) {
    if (c <= L'9') return c - L'0';
    if (c >= L'a') return c - L'a' + 10;
    return c - L'A' + 10;
}

}  // namespace

std::vector<PropertyLine> readPropertyLines(std::string_view bytes) {
    std::vector<PropertyLine> lines;
    LineSource source(bytes);
    while (!source.atEnd()) {
        std::wstring raw = source.readLine();
        if (!raw.empty() && raw[0] == L'#') continue;
        if (trim(raw).empty()) continue;
        size_t equals = raw.find(L'=');
        if (equals == std::wstring::npos) continue;

        PropertyLine line;
        line.firstLine = source.lineNumber();
        std::wstring key = trim(std::wstring_view(raw).substr(0, equals));
        std::wstring value = trim(std::wstring_view(raw).substr(equals + 1));
        if (!value.empty() && value.back() == L'\\') {
            value.back() = L' ';
            while (!source.atEnd()) {
                value += trim(source.readLine());
                if (value.empty() || value.back() != L'\\') break;
            }
        }
        line.lastLine = source.lineNumber();
        line.key = unescapePropertyText(key);
        line.value = unescapePropertyText(value);
        lines.push_back(std::move(line));
    }
    return lines;
}

void parsePropertyText(std::string_view bytes, PropertySet& set) {
    for (auto& line : readPropertyLines(bytes)) set.set(std::move(line.key), std::move(line.value));
}

std::wstring unescapePropertyText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c != L'\\' || i + 1 >= text.size()) {
            out.push_back(c);
            continue;
        }
        if (text[i + 1] != L'u') {
            out.push_back(c);
            out.push_back(text[++i]);
            continue;
        }
        i += 2;  // past "\u"
        unsigned code = 0;
        size_t digits = 0;
        while (digits < 4 && i < text.size() && isHexDigit(text[i])) {
            code = code * 16 + hexValue(text[i++]);
            ++digits;
        }
        out.push_back(static_cast<wchar_t>(code));
        --i;  // the loop's increment moves past the last character taken
    }
    return out;
}

std::wstring escapePropertyText(std::wstring_view text) {
    static const wchar_t hex[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\\') {
            out += L"\\\\";
        } else if (c > 127 || c < 0x20 || c == 0x7F) {
            // Control characters too: a line break in a value would end the line and start
            // a key of the writer's choosing.
            out += L"\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out.push_back(hex[(c >> shift) & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string encodePropertyLine(std::wstring_view line) {
    std::string out;
    out.reserve(line.size() + 2);
    for (wchar_t c : line) {
        if (c == L'\n') {
            out += "\r\n";
        } else if (c > 255) {
            for (wchar_t e : escapePropertyText(std::wstring(1, c))) out.push_back(static_cast<char>(e));
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

}  // namespace velmora::launcher

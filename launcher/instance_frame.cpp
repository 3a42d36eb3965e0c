#include "launcher/instance_frame.h"

#include "common/decimal_text.h"
#include "common/text_convert.h"

namespace velmora::launcher {

void putLittleEndian32(std::string& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t frameBodyLength(const unsigned char header[4]) {
    return static_cast<uint32_t>(header[0]) | static_cast<uint32_t>(header[1]) << 8 |
           static_cast<uint32_t>(header[2]) << 16 | static_cast<uint32_t>(header[3]) << 24;
}

namespace {

void putText(std::string& body, const std::wstring& text) {
    const std::string utf8 = wideToUtf8(text);
    putLittleEndian32(body, static_cast<uint32_t>(utf8.size()));
    body += utf8;
}

uint32_t takeLength(std::string_view& body) {
    const uint32_t value = frameBodyLength(reinterpret_cast<const unsigned char*>(body.data()));
    body.remove_prefix(4);
    return value;
}

}  // namespace

std::string composeHandOverFrame(const HandOver& handOver) {
    std::string body;
    putLittleEndian32(body, static_cast<uint32_t>(handOver.arguments.size()));
    putText(body, handOver.folder);
    for (const auto& argument : handOver.arguments) {
        putText(body, argument);
        if (body.size() > kHandOverBodyLimit) return {};
    }
    if (body.size() > kHandOverBodyLimit) return {};
    std::string frame;
    putLittleEndian32(frame, static_cast<uint32_t>(body.size()));
    return frame + body;
}

bool isStrictUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t extra = 0;
        uint32_t code = 0, least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

ParsedHandOver parseHandOverBody(std::string_view body) {
    ParsedHandOver parsed;
    if (body.size() > kHandOverBodyLimit) {
        parsed.problem = L"the body is over the limit";
        return parsed;
    }
    if (body.size() < 8) {
        parsed.problem = L"the body is shorter than its count and the folder's length";
        return parsed;
    }
    const uint32_t count = takeLength(body);
    // Each text takes at least its length: a count beyond that cannot add up.
    if (count > body.size() / 4) {
        parsed.problem = L"the count does not fit the body";
        return parsed;
    }
    std::vector<std::wstring> texts;
    for (uint32_t i = 0; i <= count; ++i) {
        if (body.size() < 4) {
            parsed.problem = L"the body ends before the last text";
            return parsed;
        }
        const uint32_t length = takeLength(body);
        if (length > body.size()) {
            parsed.problem = L"a text runs past the body";
            return parsed;
        }
        const std::string_view text = body.substr(0, length);
        body.remove_prefix(length);
        if (text.find('\0') != std::string_view::npos) {
            parsed.problem = L"a text holds a NUL";
            return parsed;
        }
        if (!isStrictUtf8(text)) {
            parsed.problem = L"a text is not UTF-8";
            return parsed;
        }
        texts.push_back(utf8ToWide(text));
    }
    if (!body.empty()) {
        parsed.problem = L"bytes follow the last text";
        return parsed;
    }
    parsed.handOver.folder = std::move(texts.front());
    parsed.handOver.arguments.assign(std::make_move_iterator(texts.begin() + 1), std::make_move_iterator(texts.end()));
    return parsed;
}

uint64_t fnv1a64(std::string_view bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::wstring instanceIdentity(const std::wstring& applicationId, const std::wstring& foldedProgramPath) {
    return applicationId.empty() ? L"path:" + foldedProgramPath : L"id:" + applicationId;
}

InstanceNames instanceNames(const std::wstring& identity, uint32_t sessionId, const std::wstring& userSid) {
    const uint64_t hash = fnv1a64(wideToUtf8(identity) + '\0' + wideToUtf8(userSid));
    std::wstring hex;
    for (int shift = 56; shift >= 0; shift -= 8) appendHexByte(hex, static_cast<unsigned>(hash >> shift) & 0xFF);
    const std::wstring stem = L"single-instance-" + decimalText(sessionId) + L"-" + hex;
    return InstanceNames{L"Local\\" + stem, L"\\\\.\\pipe\\" + stem, L"\\\\.\\pipe\\" + stem + L"-program", userSid};
}

}  // namespace velmora::launcher

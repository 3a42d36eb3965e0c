#include "tools/ruvo_pack/version_resource.h"

#include "common/byte_order.h"

namespace ruvo_pack {
namespace {

using velmora::appendLe16;
using velmora::le16At;
using velmora::storeLe16;

void pad4(Bytes& b) {
    while (b.size() % 4) b.push_back(0);
}
size_t align4(size_t v) { return (v + 3) & ~size_t{3}; }

// One block of the resource: a key, a value (text with its terminator, or binary) and children.
struct Node {
    std::u16string key;
    uint16_t type = 1;  // 1: text value, 0: binary
    Bytes value;
    std::vector<Node> children;
};

constexpr size_t kMaxDepth = 8;

bool parseNode(const Bytes& b, size_t at, size_t limit, Node& node, size_t depth) {
    if (depth > kMaxDepth || at + 6 > limit) return false;
    const size_t length = le16At(b, at), valueLength = le16At(b, at + 2);
    node.type = le16At(b, at + 4);
    if (length < 6 || length > limit - at) return false;
    const size_t end = at + length;
    size_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > end) return false;
        const char16_t c = le16At(b, p);
        if (c == 0) break;
        node.key.push_back(c);
    }
    p = align4(p + 2);
    // Text values count characters; some writers count bytes, which is never more than is there.
    size_t valueBytes = node.type == 1 ? 2 * valueLength : valueLength;
    if (p > end) p = end;
    if (valueBytes > end - p) {
        if (node.type != 1) return false;
        valueBytes = (end - p) & ~size_t{1};
    }
    node.value.assign(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p + valueBytes));
    p = align4(p + valueBytes);
    while (p + 6 <= end) {
        Node child;
        if (!parseNode(b, p, end, child, depth + 1)) return false;
        p = align4(p + le16At(b, p));
        node.children.push_back(std::move(child));
    }
    return true;
}

bool writeNode(const Node& node, Bytes& out) {
    const size_t start = out.size();
    appendLe16(out, 0);
    appendLe16(out, static_cast<uint32_t>(node.type == 1 ? node.value.size() / 2 : node.value.size()));
    appendLe16(out, node.type);
    for (char16_t c : node.key) appendLe16(out, c);
    appendLe16(out, 0);
    pad4(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const auto& child : node.children) {
        pad4(out);
        if (!writeNode(child, out)) return false;
    }
    if (out.size() - start > 0xFFFF) return false;
    storeLe16(out, start, static_cast<uint32_t>(out.size() - start));
    return true;
}

Bytes textValue(const std::u16string& text) {
    Bytes v;
    for (char16_t c : text) appendLe16(v, c);
    appendLe16(v, 0);
    return v;
}

void setNumbers(Bytes& fixed, size_t at, const VersionNumbers& n) {
    storeLe16(fixed, at, n[1]);
    storeLe16(fixed, at + 2, n[0]);
    storeLe16(fixed, at + 4, n[3]);
    storeLe16(fixed, at + 6, n[2]);
}

void applyStamp(Node& root, const VersionStamp& stamp) {
    if (root.value.size() >= 24) {
        if (stamp.fileVersion) setNumbers(root.value, 8, *stamp.fileVersion);
        if (stamp.productVersion) setNumbers(root.value, 16, *stamp.productVersion);
    }
    for (auto& info : root.children) {
        if (info.key != u"StringFileInfo") continue;
        for (auto& table : info.children)
            for (const auto& [key, text] : stamp.texts) {
                Node* found = nullptr;
                for (auto& s : table.children)
                    if (s.key == key) found = &s;
                if (!found) {
                    table.children.push_back(Node{key, 1, {}, {}});
                    found = &table.children.back();
                }
                found->type = 1;
                found->value = textValue(text);
            }
    }
}

}  // namespace

bool parseVersionNumbers(const std::string& text, VersionNumbers& numbers, std::string& error) {
    numbers = {0, 0, 0, 0};
    size_t part = 0, digits = 0;
    uint32_t value = 0;
    auto bad = [&](const std::string& why) {
        error = "'" + text + "' is not a version: " + why;
        return false;
    };
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (digits == 0) return bad("give 1 to 4 numbers separated by dots, such as 2.1.0");
            if (part == 4) return bad("it has more than 4 numbers");
            numbers[part++] = static_cast<uint16_t>(value);
            digits = 0;
            value = 0;
        } else if (text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + static_cast<uint32_t>(text[i] - '0');
            if (value > 65535) return bad("each number is at most 65535");
            ++digits;
        } else {
            return bad("give 1 to 4 numbers separated by dots, such as 2.1.0");
        }
    }
    return true;
}

bool stampVersion(Bytes& resource, const VersionStamp& stamp, std::string& error) {
    Node root;
    if (!parseNode(resource, 0, resource.size(), root, 0) || root.key != u"VS_VERSION_INFO") {
        error = "the version resource is malformed";
        return false;
    }
    applyStamp(root, stamp);
    Bytes out;
    if (!writeNode(root, out)) {
        error = "the version resource would exceed 65535 bytes";
        return false;
    }
    resource = std::move(out);
    return true;
}

Bytes newVersionResource(const VersionStamp& stamp) {
    Node root{u"VS_VERSION_INFO", 0, Bytes(52, 0), {}};
    const uint8_t head[8] = {0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00};
    std::copy(head, head + 8, root.value.begin());
    root.value[32] = 0x04;  // VOS_NT_WINDOWS32 (0x00040004)
    root.value[34] = 0x04;
    root.value[36] = 0x01;  // VFT_APP
    root.children.push_back(Node{u"StringFileInfo", 1, {}, {Node{u"040904b0", 1, {}, {}}}});
    Bytes translation = {0x09, 0x04, 0xB0, 0x04};
    root.children.push_back(Node{u"VarFileInfo", 1, {}, {Node{u"Translation", 0, translation, {}}}});
    applyStamp(root, stamp);
    Bytes out;
    writeNode(root, out);
    return out;
}

std::optional<std::u16string> versionText(const Bytes& resource, const std::u16string& key) {
    Node root;
    if (!parseNode(resource, 0, resource.size(), root, 0)) return std::nullopt;
    for (const auto& info : root.children)
        if (info.key == u"StringFileInfo" && !info.children.empty())
            for (const auto& s : info.children.front().children)
                if (s.key == key) {
                    std::u16string text;
                    for (size_t i = 0; i + 1 < s.value.size(); i += 2) {
                        const char16_t c = le16At(s.value, i);
                        if (c == 0) break;
                        text.push_back(c);
                    }
                    return text;
                }
    return std::nullopt;
}

}  // namespace ruvo_pack

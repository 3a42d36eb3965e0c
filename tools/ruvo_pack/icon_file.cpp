#include "tools/ruvo_pack/icon_file.h"

#include <algorithm>

#include <zlib.h>

namespace ruvo_pack {
namespace {

uint32_t le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }
uint32_t be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool isPng(const uint8_t* p, size_t size) {
    return size >= 8 && std::equal(kPngSignature, kPngSignature + 8, p);
}

// The size of a PNG whose chunks are whole and intact, from IHDR to IEND.
bool readPng(const uint8_t* p, size_t size, uint32_t& width, uint32_t& height, std::string& error) {
    size_t at = 8;
    bool first = true;
    for (;;) {
        if (size - at < 12) {
            error = "the PNG image is cut short";
            return false;
        }
        const uint32_t length = be32(p + at);
        if (length > size - at - 12) {
            error = "the PNG image is cut short";
            return false;
        }
        const uint8_t* type = p + at + 4;
        if (static_cast<uint32_t>(crc32(0, type, length + 4)) != be32(p + at + 8 + length)) {
            error = "the PNG image is damaged (a chunk's checksum does not match)";
            return false;
        }
        const std::string name(type, type + 4);
        if (first) {
            if (name != "IHDR" || length != 13) {
                error = "the PNG image does not begin with its header";
                return false;
            }
            width = be32(type + 4);
            height = be32(type + 8);
            first = false;
        }
        at += 12 + length;
        if (name == "IEND") return true;
    }
}

// Checks one image's size; `what` names it in the reason.
bool sizeFits(uint32_t width, uint32_t height, const std::string& what, std::string& error) {
    if (width == 0 || height == 0) {
        error = what + " has no pixels";
        return false;
    }
    if (width > kMaxIconPixels || height > kMaxIconPixels) {
        error = what + " is " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; an icon image has at most 256 x 256";
        return false;
    }
    return true;
}

}  // namespace

bool readIconFile(const Bytes& file, std::vector<IconImage>& images, std::string& error) {
    images.clear();
    const uint8_t* p = file.data();
    if (isPng(p, file.size())) {
        IconImage image;
        if (!readPng(p, file.size(), image.width, image.height, error)) return false;
        if (image.width != image.height) {
            error = "the PNG image is " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                    " pixels; an icon must be square";
            return false;
        }
        if (!sizeFits(image.width, image.height, "the PNG image", error)) return false;
        image.data = file;
        images.push_back(std::move(image));
        return true;
    }
    if (file.size() < 6 || le16(p) != 0 || le16(p + 2) != 1 || le16(p + 4) == 0) {
        error = "neither an icon file (.ico) nor a PNG image";
        return false;
    }
    const uint32_t count = le16(p + 4);
    if ((file.size() - 6) / 16 < count) {
        error = "the icon file is cut short";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = p + 6 + 16 * i;
        const std::string what = "image " + std::to_string(i + 1) + " of the icon file";
        const uint32_t size = le32(e + 8), offset = le32(e + 12);
        if (size < 40 || offset > file.size() || file.size() - offset < size) {
            error = what + " lies outside the file";
            return false;
        }
        IconImage image;
        image.colorCount = e[2];
        image.planes = static_cast<uint16_t>(le16(e + 4));
        image.bitCount = static_cast<uint16_t>(le16(e + 6));
        const uint8_t* data = p + offset;
        if (isPng(data, size)) {
            if (!readPng(data, size, image.width, image.height, error)) {
                error.insert(0, what + ": ");
                return false;
            }
        } else {
            // A bitmap: its header, then colours, pixels and the mask (twice the height in all).
            const uint32_t header = le32(data);
            const auto w = static_cast<int32_t>(le32(data + 4)), h = static_cast<int32_t>(le32(data + 8));
            if (header < 40 || header > size || w <= 0 || h <= 0 || h % 2) {
                error = what + " is neither a PNG nor a bitmap";
                return false;
            }
            image.width = static_cast<uint32_t>(w);
            image.height = static_cast<uint32_t>(h) / 2;
        }
        if (!sizeFits(image.width, image.height, what, error)) return false;
        image.data.assign(data, data + size);
        images.push_back(std::move(image));
    }
    return true;
}

Bytes iconGroupData(const std::vector<IconImage>& images, const std::vector<uint16_t>& ids) {
    Bytes out = {0, 0, 1, 0, static_cast<uint8_t>(images.size()), static_cast<uint8_t>(images.size() >> 8)};
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& m = images[i];
        const auto size = static_cast<uint32_t>(m.data.size());
        const uint8_t entry[14] = {static_cast<uint8_t>(m.width == 256 ? 0 : m.width),
                                   static_cast<uint8_t>(m.height == 256 ? 0 : m.height),
                                   m.colorCount,
                                   0,
                                   static_cast<uint8_t>(m.planes),
                                   static_cast<uint8_t>(m.planes >> 8),
                                   static_cast<uint8_t>(m.bitCount),
                                   static_cast<uint8_t>(m.bitCount >> 8),
                                   static_cast<uint8_t>(size),
                                   static_cast<uint8_t>(size >> 8),
                                   static_cast<uint8_t>(size >> 16),
                                   static_cast<uint8_t>(size >> 24),
                                   static_cast<uint8_t>(ids[i]),
                                   static_cast<uint8_t>(ids[i] >> 8)};
        out.insert(out.end(), entry, entry + 14);
    }
    return out;
}

bool iconGroupIds(const Bytes& group, std::vector<uint16_t>& ids) {
    ids.clear();
    if (group.size() < 6 || le16(group.data() + 2) != 1) return false;
    const uint32_t count = le16(group.data() + 4);
    if ((group.size() - 6) / 14 < count) return false;
    for (uint32_t i = 0; i < count; ++i) ids.push_back(static_cast<uint16_t>(le16(group.data() + 6 + 14 * i + 12)));
    return true;
}

}  // namespace ruvo_pack

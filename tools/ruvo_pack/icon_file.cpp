#include "tools/ruvo_pack/icon_file.h"

#include <algorithm>

#include <zlib.h>

#include "common/byte_order.h"

namespace ruvo_pack {
namespace {

using velmora::appendLe16;
using velmora::appendLe32;
using velmora::readBe32;
using velmora::readLe16;
using velmora::readLe32;

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
        const uint32_t length = readBe32(p + at);
        if (length > size - at - 12) {
            error = "the PNG image is cut short";
            return false;
        }
        const uint8_t* type = p + at + 4;
        if (static_cast<uint32_t>(crc32(0, type, length + 4)) != readBe32(p + at + 8 + length)) {
            error = "the PNG image is damaged (a chunk's checksum does not match)";
            return false;
        }
        const std::string name(type, type + 4);
        if (first) {
            if (name != "IHDR" || length != 13) {
                error = "the PNG image does not begin with its header";
                return false;
            }
            width = readBe32(type + 4);
            height = readBe32(type + 8);
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
    if (file.size() < 6 || readLe16(p) != 0 || readLe16(p + 2) != 1 || readLe16(p + 4) == 0) {
        error = "neither an icon file (.ico) nor a PNG image";
        return false;
    }
    const uint32_t count = readLe16(p + 4);
    if ((file.size() - 6) / 16 < count) {
        error = "the icon file is cut short";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = p + 6 + 16 * i;
        const std::string what = "image " + std::to_string(i + 1) + " of the icon file";
        const uint32_t size = readLe32(e + 8), offset = readLe32(e + 12);
        if (size < 40 || offset > file.size() || file.size() - offset < size) {
            error = what + " lies outside the file";
            return false;
        }
        IconImage image;
        image.colorCount = e[2];
        image.planes = static_cast<uint16_t>(readLe16(e + 4));
        image.bitCount = static_cast<uint16_t>(readLe16(e + 6));
        const uint8_t* data = p + offset;
        if (isPng(data, size)) {
            if (!readPng(data, size, image.width, image.height, error)) {
                error.insert(0, what + ": ");
                return false;
            }
        } else {
            // A bitmap: its header, then colours, pixels and the mask (twice the height in all).
            const uint32_t header = readLe32(data);
            const auto w = static_cast<int32_t>(readLe32(data + 4)), h = static_cast<int32_t>(readLe32(data + 8));
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
    Bytes out;
    appendLe16(out, 0);  // reserved
    appendLe16(out, 1);  // icons
    appendLe16(out, static_cast<uint32_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& m = images[i];
        out.push_back(static_cast<uint8_t>(m.width == 256 ? 0 : m.width));
        out.push_back(static_cast<uint8_t>(m.height == 256 ? 0 : m.height));
        out.push_back(m.colorCount);
        out.push_back(0);
        appendLe16(out, m.planes);
        appendLe16(out, m.bitCount);
        appendLe32(out, static_cast<uint32_t>(m.data.size()));
        appendLe16(out, ids[i]);
    }
    return out;
}

bool iconGroupIds(const Bytes& group, std::vector<uint16_t>& ids) {
    ids.clear();
    if (group.size() < 6 || readLe16(group.data() + 2) != 1) return false;
    const uint32_t count = readLe16(group.data() + 4);
    if ((group.size() - 6) / 14 < count) return false;
    for (uint32_t i = 0; i < count; ++i) ids.push_back(static_cast<uint16_t>(readLe16(group.data() + 6 + 14 * i + 12)));
    return true;
}

}  // namespace ruvo_pack

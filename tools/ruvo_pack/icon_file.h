#pragma once
// The images of an icon file (.ico) or of a single square PNG, as icon resources hold them.
#include <cstdint>
#include <string>
#include <vector>

namespace ruvo_pack {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kMaxIconPixels = 256;

struct IconImage {
    uint32_t width = 0, height = 0;  // in pixels, from the image itself
    uint8_t colorCount = 0;
    uint16_t planes = 1, bitCount = 32;
    Bytes data;  // a PNG file or a device-independent bitmap with its mask
};

// The images of an .ico file, every one kept, or a PNG as one image. False with the reason
// for anything else, a damaged image, or an image larger than 256 pixels.
bool readIconFile(const Bytes& file, std::vector<IconImage>& images, std::string& error);

// An icon group resource naming the images by their icon resource ids.
Bytes iconGroupData(const std::vector<IconImage>& images, const std::vector<uint16_t>& ids);

// The icon resource ids that a group resource names; false when it is malformed.
bool iconGroupIds(const Bytes& group, std::vector<uint16_t>& ids);

}  // namespace ruvo_pack

#pragma once
// Small PE32 and PE32+ images for the resource tests, laid out as linkers do: headers, then
// each section at the next file (512) and memory (4096) boundary.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/ruvo_pack/pe_resources.h"

namespace tool_test {

using ruvo_pack::Bytes;

struct SectionRecipe {
    std::string name;
    Bytes data;
    uint32_t characteristics = 0x40000040;  // initialised data, readable
    // The resource section's bytes come from the tree, placed at the section's address.
    std::function<Bytes(uint32_t rva)> at;
};

struct PeRecipe {
    bool pe64 = false;
    std::vector<SectionRecipe> sections;
    int resources = -1;   // index of the section the resource directory names
    int relocations = -1; // index of the section the base relocation directory names
    int spareSlots = 1;   // empty section headers left after the table
    Bytes overlay;        // bytes after the last section
    bool signedImage = false;
};

struct BuiltPe {
    Bytes bytes;
    std::vector<uint32_t> rva, rawOffset;  // per section
    size_t optional = 0, sectionTable = 0;
};

inline void put(Bytes& b, size_t at, uint32_t v, int size) {
    if (b.size() < at + static_cast<size_t>(size)) b.resize(at + static_cast<size_t>(size), 0);
    for (int i = 0; i < size; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t get(const Bytes& b, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}

inline BuiltPe buildPe(const PeRecipe& recipe) {
    BuiltPe pe;
    Bytes& b = pe.bytes;
    const uint32_t optionalSize = recipe.pe64 ? 240 : 224;
    pe.optional = 0x40 + 24;
    pe.sectionTable = pe.optional + optionalSize;
    const uint32_t headers = static_cast<uint32_t>(
        (pe.sectionTable + 40 * (recipe.sections.size() + static_cast<size_t>(recipe.spareSlots)) + 511) / 512 * 512);
    b.assign(headers, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put(b, 0x3C, 0x40, 4);
    put(b, 0x40, 0x00004550, 4);
    put(b, 0x44, recipe.pe64 ? 0x8664 : 0x14C, 2);
    put(b, 0x46, static_cast<uint32_t>(recipe.sections.size()), 2);
    put(b, 0x54, optionalSize, 2);
    put(b, 0x56, recipe.pe64 ? 0x22 : 0x102, 2);
    const size_t o = pe.optional;
    put(b, o, recipe.pe64 ? 0x20B : 0x10B, 2);
    put(b, o + 32, 0x1000, 4);
    put(b, o + 36, 0x200, 4);
    put(b, o + 60, headers, 4);
    put(b, o + 68, 2, 2);
    const size_t count = o + (recipe.pe64 ? 108 : 92);
    put(b, count, 16, 4);
    const size_t directories = count + 4;
    uint32_t rva = 0x1000, initialized = 0;
    for (size_t i = 0; i < recipe.sections.size(); ++i) {
        const SectionRecipe& s = recipe.sections[i];
        const Bytes data = s.at ? s.at(rva) : s.data;
        const auto raw = static_cast<uint32_t>((data.size() + 511) / 512 * 512);
        const size_t h = pe.sectionTable + 40 * i;
        for (size_t k = 0; k < s.name.size() && k < 8; ++k) b[h + k] = static_cast<uint8_t>(s.name[k]);
        put(b, h + 8, static_cast<uint32_t>(data.size()), 4);
        put(b, h + 12, rva, 4);
        put(b, h + 16, raw, 4);
        put(b, h + 20, static_cast<uint32_t>(b.size()), 4);
        put(b, h + 36, s.characteristics, 4);
        pe.rva.push_back(rva);
        pe.rawOffset.push_back(static_cast<uint32_t>(b.size()));
        if (static_cast<int>(i) == recipe.resources) {
            put(b, directories + 16, rva, 4);
            put(b, directories + 20, static_cast<uint32_t>(data.size()), 4);
        }
        if (static_cast<int>(i) == recipe.relocations) {
            put(b, directories + 40, rva, 4);
            put(b, directories + 44, static_cast<uint32_t>(data.size()), 4);
        }
        if (s.characteristics & 0x40) initialized += raw;
        b.insert(b.end(), data.begin(), data.end());
        b.resize(pe.rawOffset.back() + raw, 0);
        rva += static_cast<uint32_t>((data.size() + 0xFFF) / 0x1000 * 0x1000);
    }
    put(b, o + 8, initialized, 4);
    put(b, o + 56, rva, 4);
    if (recipe.signedImage) {
        put(b, directories + 32, static_cast<uint32_t>(b.size()), 4);
        put(b, directories + 36, 8, 4);
        b.insert(b.end(), {8, 0, 0, 0, 0, 2, 2, 0});
    }
    b.insert(b.end(), recipe.overlay.begin(), recipe.overlay.end());
    return pe;
}

// A resource section of `tree` as a section recipe.
inline SectionRecipe resourceSection(const ruvo_pack::ResourceTree& tree) {
    return {".rsrc", {}, 0x40000040, [tree](uint32_t rva) { return ruvo_pack::serializeResourceTree(tree, rva); }};
}

// A small program: code, the resources, relocations after them.
inline PeRecipe stubRecipe(bool pe64, const ruvo_pack::ResourceTree& tree) {
    PeRecipe recipe;
    recipe.pe64 = pe64;
    recipe.sections = {{".text", Bytes(700, 0xC3), 0x60000020}, resourceSection(tree), {".reloc", Bytes(12, 7)}};
    recipe.resources = 1;
    recipe.relocations = 2;
    return recipe;
}

// The first bytes of a Windows program with the given subsystem (2 windowed, 3 console): what
// the folder check reads of a program it names.
inline std::string programOf(int subsystem) {
    std::string image(0x200, '\0');
    image.replace(0, 2, "MZ");
    image[0x3C] = '\x80';
    image.replace(0x80, 4, std::string("PE\0\0", 4));
    image[0x80 + 92] = static_cast<char>(subsystem);
    return image;
}

}  // namespace tool_test

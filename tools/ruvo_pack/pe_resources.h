#pragma once
// The resource section of a PE32 or PE32+ image, read into a tree and written back, in
// portable code so that every build of the packer writes the same bytes.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ruvo_pack {

using Bytes = std::vector<uint8_t>;

// A resource type or name: a number, or (when `text` is not empty) a string.
struct ResourceName {
    uint16_t id = 0;
    std::u16string text;

    static ResourceName number(uint16_t id) { return {id, {}}; }
    bool isText() const { return !text.empty(); }
    bool operator==(const ResourceName& other) const = default;
};

// The order the loader's binary search needs: strings first (by upper-cased code units),
// then numbers ascending.
bool operator<(const ResourceName& a, const ResourceName& b);

constexpr uint16_t kTypeIcon = 3, kTypeDialog = 5, kTypeString = 6, kTypeGroupIcon = 14, kTypeVersion = 16,
                   kTypeMessageTable = 11;

struct ResourceEntry {
    ResourceName type;
    ResourceName name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    Bytes data;
    bool operator==(const ResourceEntry& other) const = default;
};

// The fields of a directory table other than its entries, kept so that an unchanged tree
// writes back as it was.
struct DirectoryStamp {
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t majorVersion = 0;
    uint16_t minorVersion = 0;
    bool operator==(const DirectoryStamp& other) const = default;
};

class ResourceTree {
public:
    // In the order of the written tree: by type, name, language.
    const std::vector<ResourceEntry>& entries() const { return entries_; }
    const ResourceEntry* find(const ResourceName& type, const ResourceName& name, uint16_t language) const;
    // Every entry of a type, in order.
    std::vector<const ResourceEntry*> ofType(const ResourceName& type) const;
    // Adds the entry, or replaces the one with its type, name and language.
    void put(ResourceEntry entry);
    void remove(const ResourceName& type, const ResourceName& name, uint16_t language);
    // Gives mutable access to the data of each entry of a type.
    template <typename F>
    void forEachOfType(const ResourceName& type, F&& f) {
        for (auto& e : entries_)
            if (e.type == type) f(e);
    }

    // Stamps by path: {} for the root, {type}, {type, name}.
    std::map<std::vector<ResourceName>, DirectoryStamp> stamps;

    bool operator==(const ResourceTree& other) const = default;

private:
    std::vector<ResourceEntry> entries_;
};

// Reads the resource tree of a PE32 or PE32+ image (an image without resources gives an
// empty tree). False with the reason when the image is not PE or its tree is malformed.
bool readResources(const Bytes& image, ResourceTree& tree, std::string& error);

// The image with `tree` as its resources: the tree is written where the old one began when that
// section is the last one, else as a new last section; the resource directory, section table,
// SizeOfImage, SizeOfInitializedData and checksum follow, and every other byte stays. Refuses
// (false, the reason, `out` untouched) a signed image, data after the last section, and a
// tree with no place to go.
bool writeResources(const Bytes& image, const ResourceTree& tree, Bytes& out, std::string& error);

// The tree's bytes as they are placed at `rva`.
Bytes serializeResourceTree(const ResourceTree& tree, uint32_t rva);

// The image checksum as the loader computes it, with the checksum field counted as zero.
uint32_t peChecksum(const Bytes& image, size_t checksumOffset);

}  // namespace ruvo_pack

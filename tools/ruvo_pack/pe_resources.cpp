#include "tools/ruvo_pack/pe_resources.h"

#include <algorithm>
#include <optional>
#include <set>

#include "common/byte_order.h"
#include "common/text_convert.h"

namespace ruvo_pack {
namespace {

using velmora::le16At;
using velmora::le32At;
using velmora::storeLe16;
using velmora::storeLe32;

constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kInitializedData = 0x00000040u;  // IMAGE_SCN_CNT_INITIALIZED_DATA
constexpr uint32_t kReadable = 0x40000000u;         // IMAGE_SCN_MEM_READ

// Offsets of the header fields this reads and writes. In the DOS header:
constexpr size_t kPeHeaderOffsetField = 0x3C;
// From the "PE\0\0" signature (the file header follows it):
constexpr size_t kSectionCountField = 6, kOptionalSizeField = 20, kOptionalHeaderAt = 24;
// In the optional header (PE32 and PE32+ alike up to the data directories):
constexpr size_t kInitializedDataSizeField = 8, kSectionAlignmentField = 32, kFileAlignmentField = 36,
                 kImageSizeField = 56, kHeadersSizeField = 60, kChecksumField = 64;
constexpr size_t kDirectoryCountField32 = 92, kDirectoryCountField64 = 108;
// Data directory entries: address and size.
constexpr size_t kDataDirectorySize = 8;
constexpr uint32_t kResourceEntry = 2, kCertificateEntry = 4, kRelocationEntry = 5;
// In a section header:
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kSectionVirtualSizeField = 8, kSectionAddressField = 12, kSectionRawSizeField = 16,
                 kSectionRawOffsetField = 20, kSectionFlagsField = 36;
// The resource tree: a directory's header, one of its entries, a data entry.
constexpr size_t kTreeDirectorySize = 16, kTreeEntrySize = 8, kTreeDataEntrySize = 16;
constexpr const char* kImageTooLarge = "cannot place the resources: the image would exceed 4 GiB";

bool isPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }
uint64_t alignUp(uint64_t v, uint32_t a) { return (v + a - 1) / a * a; }

struct Section {
    size_t header;  // offset of its header in the file
    uint32_t virtualSize, virtualAddress, rawSize, rawOffset, characteristics;
};

// The headers that locate the resource tree and that writing it changes.
struct PeLayout {
    size_t signature = 0;       // "PE\0\0", the file header after it
    size_t optional = 0;        // optional header offset
    size_t directories = 0;     // data directory offset
    uint32_t directoryCount = 0;
    size_t sectionTable = 0;
    uint32_t sizeOfHeaders = 0, fileAlignment = 0, sectionAlignment = 0;
    std::vector<Section> sections;

    size_t checksumOffset() const { return optional + kChecksumField; }
    // Where a section ends in memory (a section without a virtual size spans its raw data).
    uint64_t virtualEnd(const Section& s) const {
        return s.virtualAddress + alignUp(s.virtualSize ? s.virtualSize : s.rawSize, sectionAlignment);
    }
    size_t entryOffset(uint32_t index) const { return directories + kDataDirectorySize * index; }
    bool directory(uint32_t index, const Bytes& b, uint32_t& rva, uint32_t& size) const {
        if (index >= directoryCount) return false;
        rva = le32At(b, entryOffset(index));
        size = le32At(b, entryOffset(index) + 4);
        return true;
    }
};

bool readLayout(const Bytes& b, PeLayout& pe, std::string& error) {
    error = "not a Windows program (PE file)";
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return false;
    const uint32_t pe0 = le32At(b, kPeHeaderOffsetField);
    if (pe0 > b.size() || b.size() - pe0 < kOptionalHeaderAt || le32At(b, pe0) != 0x00004550u) return false;
    const uint16_t sectionCount = le16At(b, pe0 + kSectionCountField);
    const uint16_t optionalSize = le16At(b, pe0 + kOptionalSizeField);
    pe.signature = pe0;
    pe.optional = pe0 + kOptionalHeaderAt;
    if (b.size() - pe.optional < optionalSize || optionalSize < 2) return false;
    const uint16_t magic = le16At(b, pe.optional);
    const size_t countAt = magic == 0x10B ? kDirectoryCountField32 : magic == 0x20B ? kDirectoryCountField64 : 0;
    if (countAt == 0) {
        error = "not a PE32 or PE32+ image (optional header magic " + std::to_string(magic) + ")";
        return false;
    }
    if (optionalSize < countAt + 4) return false;
    pe.directoryCount =
        std::min<uint32_t>(le32At(b, pe.optional + countAt), (optionalSize - countAt - 4) / kDataDirectorySize);
    pe.directories = pe.optional + countAt + 4;
    pe.sectionAlignment = le32At(b, pe.optional + kSectionAlignmentField);
    pe.fileAlignment = le32At(b, pe.optional + kFileAlignmentField);
    pe.sizeOfHeaders = le32At(b, pe.optional + kHeadersSizeField);
    if (!isPowerOfTwo(pe.fileAlignment) || !isPowerOfTwo(pe.sectionAlignment) || pe.fileAlignment > 0x10000 ||
        pe.sectionAlignment > 0x1000000) {
        error = "the image's section or file alignment is not a power of two";
        return false;
    }
    if (pe.sizeOfHeaders > b.size()) {
        error = "the headers run past the end of the file";
        return false;
    }
    pe.sectionTable = pe.optional + optionalSize;
    if ((b.size() - pe.sectionTable) / kSectionHeaderSize < sectionCount) {
        error = "the section table runs past the end of the file";
        return false;
    }
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const size_t h = pe.sectionTable + i * kSectionHeaderSize;
        Section s{h,
                  le32At(b, h + kSectionVirtualSizeField),
                  le32At(b, h + kSectionAddressField),
                  le32At(b, h + kSectionRawSizeField),
                  le32At(b, h + kSectionRawOffsetField),
                  le32At(b, h + kSectionFlagsField)};
        if (s.rawSize && (s.rawOffset > b.size() || b.size() - s.rawOffset < s.rawSize)) {
            error = "section " + std::to_string(i + 1) + " runs past the end of the file";
            return false;
        }
        if (pe.virtualEnd(s) > 0xFFFFFFFFull) {
            error = "section " + std::to_string(i + 1) + " reaches past 4 GiB in memory";
            return false;
        }
        pe.sections.push_back(s);
    }
    error.clear();
    return true;
}

// The file bytes a section brings into memory: its raw data, but no more than its virtual size
// (the loader ignores raw bytes past it, and another section may start there).
uint32_t loadedSize(const Section& s) { return s.virtualSize ? std::min(s.virtualSize, s.rawSize) : s.rawSize; }

// The first section whose loaded bytes hold the address, as the loader would see it.
const Section* sectionHolding(const PeLayout& pe, uint32_t rva) {
    for (const auto& s : pe.sections)
        if (rva >= s.virtualAddress && rva - s.virtualAddress < loadedSize(s)) return &s;
    return nullptr;
}

// The file bytes at [rva, rva + size), when one section holds them all.
const uint8_t* mapped(const Bytes& b, const PeLayout& pe, uint32_t rva, uint32_t size) {
    const Section* s = sectionHolding(pe, rva);
    if (!s) return nullptr;
    const uint64_t offset = static_cast<uint64_t>(rva) - s->virtualAddress;
    return offset + size <= loadedSize(*s) ? b.data() + s->rawOffset + offset : nullptr;
}

class TreeReader {
public:
    TreeReader(const Bytes& b, const PeLayout& pe, uint32_t base, uint32_t size)
        : b_(b), pe_(pe), base_(base), size_(size) {}

    bool read(ResourceTree& tree, std::string& error) {
        std::vector<ResourceName> path;
        if (!directory(0, 0, path, tree)) {
            error = "the resource tree is malformed (" + problem_ + ")";
            return false;
        }
        return true;
    }

private:
    bool fail(const std::string& why) {
        problem_ = why;
        return false;
    }
    const uint8_t* at(uint32_t offset, uint32_t size) {
        if (offset > size_ || size_ - offset < size) return nullptr;
        if (size == 0) return b_.data();  // an empty list at the tree's very end; never read
        return mapped(b_, pe_, base_ + offset, size);
    }
    static uint32_t u32(const uint8_t* p) { return velmora::readLe32(p); }
    static uint16_t u16(const uint8_t* p) { return velmora::readLe16(p); }

    bool name(uint32_t field, ResourceName& out) {
        if (!(field & kSubdirectory)) {
            if (field > 0xFFFF) return fail("a numeric name above 65535");
            out = ResourceName::number(static_cast<uint16_t>(field));
            return true;
        }
        const uint8_t* p = at(field & ~kSubdirectory, 2);
        if (!p) return fail("a name outside the section");
        const uint16_t length = u16(p);
        const uint8_t* text = at((field & ~kSubdirectory) + 2, 2u * length);
        if (!text || length == 0) return fail("a name outside the section or empty");
        out.id = 0;
        out.text.clear();
        for (uint16_t i = 0; i < length; ++i) out.text.push_back(static_cast<char16_t>(u16(text + 2 * i)));
        return true;
    }

    bool directory(uint32_t offset, int level, std::vector<ResourceName>& path, ResourceTree& tree) {
        if (!seen_.insert(offset).second) return fail("a directory reached twice");
        const uint8_t* p = at(offset, 16);
        if (!p) return fail("a directory outside the section");
        DirectoryStamp stamp{u32(p), u32(p + 4), u16(p + 8), u16(p + 10)};
        const uint32_t count = static_cast<uint32_t>(u16(p + 12)) + u16(p + 14);
        const uint8_t* list = at(offset + 16, 8 * count);
        if (!list) return fail("directory entries outside the section");
        tree.stamps[path] = stamp;
        std::optional<ResourceName> last;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t nameField = u32(list + 8 * i), target = u32(list + 8 * i + 4);
            ResourceName key;
            if (!name(nameField, key)) return false;
            if (level == 2 && key.isText()) return fail("a language given by name");
            if (last && !(*last < key) && !(key < *last)) return fail("a name listed twice");
            last = key;
            const bool sub = (target & kSubdirectory) != 0;
            if (sub != (level < 2)) return fail(level < 2 ? "data where a directory belongs" : "a fourth level");
            if (level < 2) {
                path.push_back(key);
                if (!directory(target & ~kSubdirectory, level + 1, path, tree)) return false;
                path.pop_back();
                continue;
            }
            if (!dataEntries_.insert(target).second) return fail("a data entry used twice");
            const uint8_t* d = at(target, 16);
            if (!d) return fail("a data entry outside the section");
            const uint32_t rva = u32(d), size = u32(d + 4);
            total_ += size;
            if (total_ > b_.size()) return fail("data larger than the file");
            const uint8_t* data = mapped(b_, pe_, rva, size);
            if (!data && size) return fail("data outside the file");
            ResourceEntry entry{path[0], path[1], key.id, u32(d + 8), Bytes(data, data + size)};
            if (tree.find(entry.type, entry.name, entry.language)) return fail("a resource listed twice");
            tree.put(std::move(entry));
        }
        return true;
    }

    const Bytes& b_;
    const PeLayout& pe_;
    uint32_t base_, size_;
    std::set<uint32_t> seen_, dataEntries_;
    uint64_t total_ = 0;
    std::string problem_;
};

bool entryLess(const ResourceEntry& a, const ResourceEntry& b) {
    if (a.type < b.type) return true;
    if (b.type < a.type) return false;
    if (a.name < b.name) return true;
    if (b.name < a.name) return false;
    return a.language < b.language;
}

}  // namespace

bool operator<(const ResourceName& a, const ResourceName& b) {
    if (a.isText() != b.isText()) return a.isText();
    if (!a.isText()) return a.id < b.id;
    const size_t n = std::min(a.text.size(), b.text.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = velmora::asciiUpperUnit(a.text[i]), y = velmora::asciiUpperUnit(b.text[i]);
        if (x != y) return x < y;
    }
    if (a.text.size() != b.text.size()) return a.text.size() < b.text.size();
    return a.text < b.text;  // names that differ only in letter case still have an order
}

const ResourceEntry* ResourceTree::find(const ResourceName& type, const ResourceName& name, uint16_t language) const {
    ResourceEntry probe{type, name, language, 0, {}};
    auto it = std::lower_bound(entries_.begin(), entries_.end(), probe, entryLess);
    return it != entries_.end() && !entryLess(probe, *it) ? &*it : nullptr;
}

std::vector<const ResourceEntry*> ResourceTree::ofType(const ResourceName& type) const {
    std::vector<const ResourceEntry*> found;
    for (const auto& e : entries_)
        if (e.type == type) found.push_back(&e);
    return found;
}

void ResourceTree::put(ResourceEntry entry) {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), entry, entryLess);
    if (it != entries_.end() && !entryLess(entry, *it))
        *it = std::move(entry);
    else
        entries_.insert(it, std::move(entry));
}

void ResourceTree::remove(const ResourceName& type, const ResourceName& name, uint16_t language) {
    ResourceEntry probe{type, name, language, 0, {}};
    auto it = std::lower_bound(entries_.begin(), entries_.end(), probe, entryLess);
    if (it != entries_.end() && !entryLess(probe, *it)) entries_.erase(it);
}

bool readResources(const Bytes& image, ResourceTree& tree, std::string& error) {
    PeLayout pe;
    if (!readLayout(image, pe, error)) return false;
    tree = ResourceTree();
    uint32_t rva = 0, size = 0;
    if (!pe.directory(kResourceEntry, image, rva, size) || rva == 0 || size == 0) return true;
    // The tree's own offsets may reach past the stated size (linkers state the directories'
    // size only), so reads are bounded by the section instead.
    const Section* home = sectionHolding(pe, rva);
    if (!home) {
        error = "the resource directory lies outside every section";
        return false;
    }
    TreeReader reader(image, pe, rva, home->virtualAddress + loadedSize(*home) - rva);
    return reader.read(tree, error);
}

namespace {

// Where each part of a serialised tree goes: the directories (the root, one per type, one per
// (type, name), in that order), the data entries, the name strings, then the data.
struct TreeLayout {
    struct Group {
        size_t first, count;
    };
    std::vector<Group> types, names;  // runs of entries with one type, with one type and name
    std::vector<size_t> namesPerType;
    std::vector<size_t> typeOffset, nameOffset, dataOffset;
    size_t dataEntries = 0;
    std::map<std::u16string, size_t> stringOffset;  // each name written once
    size_t size = 0;
};

TreeLayout planTree(const std::vector<ResourceEntry>& entries) {
    TreeLayout l;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i == 0 || !(entries[i].type == entries[i - 1].type)) l.types.push_back({i, 0});
        if (i == 0 || !(entries[i].type == entries[i - 1].type) || !(entries[i].name == entries[i - 1].name))
            l.names.push_back({i, 0});
        ++l.types.back().count;
        ++l.names.back().count;
    }
    for (const auto& t : l.types) {
        size_t n = 0;
        for (const auto& g : l.names)
            if (g.first >= t.first && g.first < t.first + t.count) ++n;
        l.namesPerType.push_back(n);
    }
    size_t size = kTreeDirectorySize + kTreeEntrySize * l.types.size();
    for (size_t t = 0; t < l.types.size(); ++t) {
        l.typeOffset.push_back(size);
        size += kTreeDirectorySize + kTreeEntrySize * l.namesPerType[t];
    }
    for (const auto& g : l.names) {
        l.nameOffset.push_back(size);
        size += kTreeDirectorySize + kTreeEntrySize * g.count;
    }
    l.dataEntries = size;
    size += kTreeDataEntrySize * entries.size();
    auto addString = [&](const ResourceName& n) {
        if (n.isText() && l.stringOffset.emplace(n.text, size).second) size += 2 + 2 * n.text.size();
    };
    for (const auto& t : l.types) addString(entries[t.first].type);
    for (const auto& g : l.names) addString(entries[g.first].name);
    for (const auto& e : entries) {
        size = alignUp(size, 8);
        l.dataOffset.push_back(size);
        size += e.data.size();
    }
    l.size = size;
    return l;
}

void writeDirectoryHeader(Bytes& out, size_t at, const DirectoryStamp& s, size_t named, size_t numbered) {
    storeLe32(out, at, s.characteristics);
    storeLe32(out, at + 4, s.timeDateStamp);
    storeLe16(out, at + 8, s.majorVersion);
    storeLe16(out, at + 10, s.minorVersion);
    storeLe16(out, at + 12, static_cast<uint32_t>(named));
    storeLe16(out, at + 14, static_cast<uint32_t>(numbered));
}

void writeDirectoryEntry(Bytes& out, size_t at, uint32_t nameField, uint32_t target) {
    storeLe32(out, at, nameField);
    storeLe32(out, at + 4, target);
}

void writeDirectories(Bytes& out, const ResourceTree& tree, const TreeLayout& l) {
    const auto& entries = tree.entries();
    auto stampOf = [&](const std::vector<ResourceName>& path) {
        auto it = tree.stamps.find(path);
        return it == tree.stamps.end() ? DirectoryStamp{} : it->second;
    };
    auto nameField = [&](const ResourceName& n) {
        return n.isText() ? kSubdirectory | static_cast<uint32_t>(l.stringOffset.at(n.text)) : n.id;
    };
    size_t namedTypes = 0;
    for (const auto& t : l.types) namedTypes += entries[t.first].type.isText();
    writeDirectoryHeader(out, 0, stampOf({}), namedTypes, l.types.size() - namedTypes);
    size_t nameIndex = 0;
    for (size_t t = 0; t < l.types.size(); ++t) {
        const ResourceName& type = entries[l.types[t].first].type;
        writeDirectoryEntry(out, kTreeDirectorySize + kTreeEntrySize * t, nameField(type),
                            kSubdirectory | static_cast<uint32_t>(l.typeOffset[t]));
        const size_t count = l.namesPerType[t];
        size_t named = 0;
        for (size_t k = 0; k < count; ++k) {
            const TreeLayout::Group& g = l.names[nameIndex + k];
            const ResourceName& name = entries[g.first].name;
            const size_t directory = l.nameOffset[nameIndex + k];
            named += name.isText();
            writeDirectoryEntry(out, l.typeOffset[t] + kTreeDirectorySize + kTreeEntrySize * k, nameField(name),
                                kSubdirectory | static_cast<uint32_t>(directory));
            writeDirectoryHeader(out, directory, stampOf({type, name}), 0, g.count);
            for (size_t e = g.first; e < g.first + g.count; ++e)
                writeDirectoryEntry(out, directory + kTreeDirectorySize + kTreeEntrySize * (e - g.first),
                                    entries[e].language,
                                    static_cast<uint32_t>(l.dataEntries + kTreeDataEntrySize * e));
        }
        writeDirectoryHeader(out, l.typeOffset[t], stampOf({type}), named, count - named);
        nameIndex += count;
    }
}

void writeDataEntries(Bytes& out, const std::vector<ResourceEntry>& entries, const TreeLayout& l, uint32_t rva) {
    for (size_t e = 0; e < entries.size(); ++e) {
        const size_t at = l.dataEntries + kTreeDataEntrySize * e;
        storeLe32(out, at, rva + static_cast<uint32_t>(l.dataOffset[e]));
        storeLe32(out, at + 4, static_cast<uint32_t>(entries[e].data.size()));
        storeLe32(out, at + 8, entries[e].codePage);
        std::copy(entries[e].data.begin(), entries[e].data.end(), out.begin() + static_cast<std::ptrdiff_t>(l.dataOffset[e]));
    }
}

void writeNameStrings(Bytes& out, const TreeLayout& l) {
    for (const auto& [text, at] : l.stringOffset) {
        storeLe16(out, at, static_cast<uint32_t>(text.size()));
        for (size_t i = 0; i < text.size(); ++i) storeLe16(out, at + 2 + 2 * i, text[i]);
    }
}

}  // namespace

Bytes serializeResourceTree(const ResourceTree& tree, uint32_t rva) {
    const TreeLayout layout = planTree(tree.entries());
    Bytes out(layout.size, 0);
    writeDirectories(out, tree, layout);
    writeDataEntries(out, tree.entries(), layout, rva);
    writeNameStrings(out, layout);
    return out;
}

uint32_t peChecksum(const Bytes& image, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i + 1 < image.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        sum += le16At(image, i);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (image.size() % 2) sum += image.back();
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + image.size());
}

namespace {

// A section after the resources that may move with them: the one the base relocations start,
// which nothing but their directory entry refers to (no other entry may lie at or after the
// resources: see inPlaceSuits). An entry that is absent or empty names no section, and a
// section it merely points at may hold anything.
bool onlyRelocations(const Bytes& b, const PeLayout& pe, const Section& s) {
    uint32_t rva = 0, size = 0;
    return pe.directory(kRelocationEntry, b, rva, size) && size != 0 && rva == s.virtualAddress;
}

// Where the sections' data lies.
struct ImageExtent {
    uint64_t firstData = 0;   // the first section bytes in the file, or the headers' end
    uint64_t rawEnd = 0;      // where the sections' data ends in the file
    uint64_t virtualEnd = 0;  // and in memory
};

// Whether a tree can be written into the image at all; its extent when it can.
bool checkPlaceable(const Bytes& image, const PeLayout& pe, ImageExtent& extent, std::string& error) {
    if (pe.directoryCount <= kResourceEntry) {
        error = "cannot place the resources: the image has no resource directory entry";
        return false;
    }
    uint32_t certificates = 0, certificatesSize = 0;
    if (pe.directory(kCertificateEntry, image, certificates, certificatesSize) && certificatesSize != 0) {
        error = "the image is signed; brand it before signing";
        return false;
    }
    // Every entry must lie in a section (the certificates' one holds a file offset): another
    // would point at whatever this moves there.
    for (uint32_t d = 0; d < pe.directoryCount; ++d) {
        uint32_t at = 0, length = 0;
        pe.directory(d, image, at, length);
        if (d == kCertificateEntry || length == 0) continue;
        if (std::none_of(pe.sections.begin(), pe.sections.end(),
                         [&](const Section& s) { return at >= s.virtualAddress && at < pe.virtualEnd(s); })) {
            error = "cannot place the resources: data directory entry " + std::to_string(d) +
                    " lies outside every section";
            return false;
        }
    }
    // The headers this writes must lie apart from every section's data, which it may rewrite.
    extent.firstData = pe.sizeOfHeaders;
    for (const auto& s : pe.sections)
        if (s.rawSize) extent.firstData = std::min<uint64_t>(extent.firstData, s.rawOffset);
    if (pe.sectionTable + pe.sections.size() * kSectionHeaderSize > extent.firstData) {
        error = "cannot place the resources: the section table overlaps the headers' end or the sections' data";
        return false;
    }
    // Where the sections' data ends: nothing may follow it, as it would have to move.
    extent.rawEnd = pe.sizeOfHeaders;
    extent.virtualEnd = 0;
    for (const auto& s : pe.sections) {
        if (s.rawSize) extent.rawEnd = std::max<uint64_t>(extent.rawEnd, s.rawOffset + static_cast<uint64_t>(s.rawSize));
        extent.virtualEnd = std::max(extent.virtualEnd, pe.virtualEnd(s));
    }
    if (image.size() > extent.rawEnd) {
        error = "cannot place the resources: " + std::to_string(image.size() - extent.rawEnd) +
                " bytes follow the last section (appended data or a signature), which must not move";
        return false;
    }
    return true;
}

// Where the new tree goes: into the section of the old one, or into a new last section.
struct Placement {
    std::vector<size_t> order;  // the sections by address
    size_t home = 0;            // the old tree's section in `order`; order.size() when none
    bool inPlace = false;
    size_t header = 0;  // of the tree's section
    size_t sectionCount = 0;
    uint32_t rva = 0, rawOffset = 0, oldRaw = 0;
    bool initialized = true;  // the section counts as initialised data
};

// The tree goes where the old one began when its section starts with it and only sections
// that may move follow it, in memory and in the file.
bool inPlaceSuits(const Bytes& image, const PeLayout& pe, const Placement& p, uint32_t oldRva) {
    const auto& order = p.order;
    const size_t home = p.home;
    // The tree's section has bytes of its own; at most the relocations follow, with bytes of
    // their own behind the tree's.
    bool inPlace = home < order.size() && home + 2 >= order.size() && pe.sections[order[home]].rawSize != 0 &&
                   pe.sections[order[home]].rawOffset >= pe.sizeOfHeaders;
    for (size_t k = home + 1; inPlace && k < order.size(); ++k) {
        const Section& s = pe.sections[order[k]];
        const Section& before = pe.sections[order[k - 1]];
        inPlace = onlyRelocations(image, pe, s) && s.rawSize != 0 && s.rawOffset >= before.rawOffset + before.rawSize;
    }
    // No other entry may lie where the tree is rewritten or sections move, but the relocations
    // at the start of a section that moves.
    for (uint32_t d = 0; inPlace && d < pe.directoryCount; ++d) {
        uint32_t at = 0, length = 0;
        pe.directory(d, image, at, length);
        if (d == kResourceEntry || d == kCertificateEntry || length == 0 || at < oldRva) continue;
        inPlace = d == kRelocationEntry &&
                  std::any_of(order.begin() + static_cast<std::ptrdiff_t>(home) + 1, order.end(),
                              [&](size_t i) { return pe.sections[i].virtualAddress == at; });
    }
    // Nothing else may have its bytes where the tree and the moved sections go, in the file or
    // in memory.
    for (size_t k = 0; inPlace && k < home; ++k) {
        const Section& s = pe.sections[order[k]];
        const Section& h = pe.sections[order[home]];
        if (s.rawSize && s.rawOffset + static_cast<uint64_t>(s.rawSize) > h.rawOffset) inPlace = false;
        if (static_cast<uint64_t>(s.virtualAddress) + loadedSize(s) > h.virtualAddress) inPlace = false;
    }
    return inPlace;
}

bool planPlacement(const Bytes& image, const PeLayout& pe, const ImageExtent& extent, Placement& p,
                   std::string& error) {
    uint32_t oldRva = 0, oldSize = 0;
    pe.directory(kResourceEntry, image, oldRva, oldSize);
    if (oldSize == 0) oldRva = 0;  // an empty entry names no tree, as the reader takes it
    p.order.resize(pe.sections.size());
    for (size_t i = 0; i < p.order.size(); ++i) p.order[i] = i;
    std::sort(p.order.begin(), p.order.end(),
              [&](size_t a, size_t b) { return pe.sections[a].virtualAddress < pe.sections[b].virtualAddress; });
    p.home = p.order.size();
    for (size_t k = 0; k < p.order.size(); ++k)
        if (oldRva != 0 && pe.sections[p.order[k]].virtualAddress == oldRva) p.home = k;
    p.inPlace = inPlaceSuits(image, pe, p, oldRva);
    p.sectionCount = pe.sections.size() + (p.inPlace ? 0 : 1);
    if (p.inPlace) {
        const Section& h = pe.sections[p.order[p.home]];
        p.header = h.header;
        p.rva = h.virtualAddress;
        p.rawOffset = h.rawOffset;
        p.oldRaw = h.rawSize;
        p.initialized = (h.characteristics & kInitializedData) != 0;
        return true;
    }
    p.header = pe.sectionTable + pe.sections.size() * kSectionHeaderSize;
    if (p.header + kSectionHeaderSize > extent.firstData ||
        std::any_of(image.begin() + static_cast<std::ptrdiff_t>(p.header),
                    image.begin() + static_cast<std::ptrdiff_t>(p.header + kSectionHeaderSize),
                    [](uint8_t c) { return c != 0; })) {
        error = "cannot place the resources: sections that must not move follow them and the headers have no "
                "room for another section";
        return false;
    }
    if (p.sectionCount > 96) {
        error = "cannot place the resources: the image already has 96 sections";
        return false;
    }
    const uint64_t start = alignUp(std::max<uint64_t>(extent.virtualEnd, pe.sizeOfHeaders), pe.sectionAlignment);
    if (start > 0xFFFFFFFFull) {
        error = kImageTooLarge;
        return false;
    }
    p.rva = static_cast<uint32_t>(start);
    p.rawOffset = static_cast<uint32_t>(alignUp(extent.rawEnd, pe.fileAlignment));
    return true;
}

uint64_t sectionSpan(const Section& s, uint32_t alignment) {
    return alignUp(s.virtualSize ? s.virtualSize : s.rawSize, alignment);
}

// Whether the tree and the sections that move behind it stay below 4 GiB.
bool fitsBelow4GiB(const PeLayout& pe, const Placement& p, size_t treeSize, uint64_t rawSize) {
    uint64_t rawAt = p.rawOffset + rawSize;
    uint64_t virtualAt = static_cast<uint64_t>(p.rva) + alignUp(treeSize, pe.sectionAlignment);
    for (size_t k = p.home + 1; p.inPlace && k < p.order.size(); ++k) {
        const Section& s = pe.sections[p.order[k]];
        rawAt += s.rawSize;
        virtualAt += sectionSpan(s, pe.sectionAlignment);
    }
    return rawAt <= 0xFFFFFFFFull && virtualAt <= 0xFFFFFFFFull;
}

// The image's bytes up to the tree, the tree, then the sections that move up behind it, their
// bytes unchanged and their headers and directory entries following them.
Bytes placeTree(const Bytes& image, const PeLayout& pe, const Placement& p, const Bytes& treeBytes, uint64_t rawSize) {
    Bytes result(image.begin(), image.begin() + std::min<size_t>(image.size(), p.rawOffset));
    result.resize(p.rawOffset, 0);
    result.insert(result.end(), treeBytes.begin(), treeBytes.end());
    result.resize(p.rawOffset + rawSize, 0);
    auto nextVirtual = static_cast<uint32_t>(p.rva + alignUp(treeBytes.size(), pe.sectionAlignment));
    for (size_t k = p.home + 1; p.inPlace && k < p.order.size(); ++k) {
        const Section& s = pe.sections[p.order[k]];
        const auto movedRaw = static_cast<uint32_t>(result.size());
        result.insert(result.end(), image.begin() + s.rawOffset, image.begin() + s.rawOffset + s.rawSize);
        if (s.rawSize) storeLe32(result, s.header + kSectionRawOffsetField, movedRaw);
        storeLe32(result, s.header + kSectionAddressField, nextVirtual);
        for (uint32_t d = 0; d < pe.directoryCount; ++d)
            if (le32At(result, pe.entryOffset(d)) == s.virtualAddress && d != kCertificateEntry &&
                le32At(result, pe.entryOffset(d) + 4))
                storeLe32(result, pe.entryOffset(d), nextVirtual);
        nextVirtual += static_cast<uint32_t>(sectionSpan(s, pe.sectionAlignment));
    }
    return result;
}

// The tree's section header, the resource entry, SizeOfImage, SizeOfInitializedData and the
// checksum, for the tree placed.
void updateHeaders(Bytes& result, const PeLayout& pe, const Placement& p, size_t treeSize, uint64_t rawSize) {
    if (!p.inPlace) {
        static const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
        std::copy(name, name + 8, result.begin() + static_cast<std::ptrdiff_t>(p.header));
        storeLe32(result, p.header + kSectionAddressField, p.rva);
        storeLe32(result, p.header + kSectionRawOffsetField, p.rawOffset);
        storeLe32(result, p.header + kSectionFlagsField, kInitializedData | kReadable);
        storeLe16(result, pe.signature + kSectionCountField, static_cast<uint32_t>(p.sectionCount));
    }
    storeLe32(result, p.header + kSectionVirtualSizeField, static_cast<uint32_t>(treeSize));
    storeLe32(result, p.header + kSectionRawSizeField, static_cast<uint32_t>(rawSize));
    storeLe32(result, pe.entryOffset(kResourceEntry), p.rva);
    storeLe32(result, pe.entryOffset(kResourceEntry) + 4, static_cast<uint32_t>(treeSize));
    uint64_t imageEnd = 0;
    for (size_t i = 0; i < p.sectionCount; ++i) {
        const size_t h = pe.sectionTable + i * kSectionHeaderSize;
        const uint32_t vs = le32At(result, h + kSectionVirtualSizeField), raw = le32At(result, h + kSectionRawSizeField);
        imageEnd = std::max<uint64_t>(imageEnd,
                                      le32At(result, h + kSectionAddressField) + alignUp(vs ? vs : raw, pe.sectionAlignment));
    }
    storeLe32(result, pe.optional + kImageSizeField, static_cast<uint32_t>(imageEnd));
    if (p.initialized)
        storeLe32(result, pe.optional + kInitializedDataSizeField,
                  le32At(result, pe.optional + kInitializedDataSizeField) + static_cast<uint32_t>(rawSize) - p.oldRaw);
    storeLe32(result, pe.checksumOffset(), peChecksum(result, pe.checksumOffset()));
}

}  // namespace

bool writeResources(const Bytes& image, const ResourceTree& tree, Bytes& out, std::string& error) {
    PeLayout pe;
    ImageExtent extent;
    Placement placement;
    if (!readLayout(image, pe, error) || !checkPlaceable(image, pe, extent, error) ||
        !planPlacement(image, pe, extent, placement, error))
        return false;
    const Bytes treeBytes = serializeResourceTree(tree, placement.rva);
    const uint64_t rawSize = alignUp(treeBytes.size(), pe.fileAlignment);
    if (!fitsBelow4GiB(pe, placement, treeBytes.size(), rawSize)) {
        error = kImageTooLarge;
        return false;
    }
    Bytes result = placeTree(image, pe, placement, treeBytes, rawSize);
    updateHeaders(result, pe, placement, treeBytes.size(), rawSize);
    out = std::move(result);
    return true;
}

}  // namespace ruvo_pack

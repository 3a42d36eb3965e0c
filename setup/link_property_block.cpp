#include "setup/link_property_block.h"

namespace quillsetup {
namespace {

constexpr uint32_t kPropertyStoreSignature = 0xA0000009;
constexpr uint32_t kHeaderSize = 0x4C;
// {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3}, PID 5: System.AppUserModel.ID
constexpr uint8_t kAppUserModelFormat[16] = {0x55, 0x28, 0x4C, 0x9F, 0x79, 0x9F, 0x39, 0x4B,
                                             0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3};
constexpr uint32_t kAppUserModelIdPid = 5;
constexpr uint16_t kTypeWideString = 0x1F;  // VT_LPWSTR

void put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void set32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const Bytes& in, size_t at) {
    return in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) | (static_cast<uint32_t>(in[at + 3]) << 24);
}
uint16_t get16(const Bytes& in, size_t at) { return static_cast<uint16_t>(in[at] | (in[at + 1] << 8)); }

}  // namespace

Bytes appUserModelIdBlock(const std::wstring& id) {
    Bytes value;  // one integer-named serialized property value
    put32(value, 0);  // its size, set below
    put32(value, kAppUserModelIdPid);
    value.push_back(0);  // reserved
    value.push_back(kTypeWideString & 0xFF);
    value.push_back(kTypeWideString >> 8);
    value.push_back(0);
    value.push_back(0);  // padding
    put32(value, static_cast<uint32_t>(id.size() + 1));  // characters with the terminating null
    for (wchar_t c : id) {
        value.push_back(static_cast<uint8_t>(c));
        value.push_back(static_cast<uint8_t>(c >> 8));
    }
    value.push_back(0);
    value.push_back(0);
    while (value.size() % 4) value.push_back(0);
    set32(value, 0, static_cast<uint32_t>(value.size()));

    Bytes storage;
    put32(storage, 0);  // its size, set below
    put32(storage, 0x53505331);  // "1SPS"
    storage.insert(storage.end(), kAppUserModelFormat, kAppUserModelFormat + 16);
    storage.insert(storage.end(), value.begin(), value.end());
    put32(storage, 0);  // end of the values
    set32(storage, 0, static_cast<uint32_t>(storage.size()));

    Bytes block;
    put32(block, 0);
    put32(block, kPropertyStoreSignature);
    block.insert(block.end(), storage.begin(), storage.end());
    put32(block, 0);  // end of the storages
    set32(block, 0, static_cast<uint32_t>(block.size()));
    return block;
}

bool addPropertyStoreBlock(Bytes& link, const Bytes& block) {
    if (link.size() < kHeaderSize || get32(link, 0) != kHeaderSize) return false;
    const uint32_t flags = get32(link, 0x14);
    size_t at = kHeaderSize;
    if (flags & 0x1) {  // HasLinkTargetIDList
        if (at + 2 > link.size()) return false;
        at += 2 + get16(link, at);
    }
    if (flags & 0x2) {  // HasLinkInfo
        if (at + 4 > link.size()) return false;
        at += get32(link, at);
    }
    const bool unicode = flags & 0x80;
    for (uint32_t bit = 0x4; bit <= 0x40; bit <<= 1) {  // name, relative path, working folder, arguments, icon
        if (!(flags & bit)) continue;
        if (at + 2 > link.size()) return false;
        at += 2 + get16(link, at) * (unicode ? 2u : 1u);
    }
    for (;;) {
        if (at + 4 > link.size()) return false;
        const uint32_t size = get32(link, at);
        if (size < 4) break;  // the terminal block
        if (size < 8 || at + size > link.size()) return false;
        if (get32(link, at + 4) == kPropertyStoreSignature) return true;
        at += size;
    }
    link.insert(link.begin() + static_cast<std::ptrdiff_t>(at), block.begin(), block.end());
    return true;
}

}  // namespace quillsetup

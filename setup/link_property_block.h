#pragma once
// The AppUserModelID of a shortcut as the shell serialises it into the .lnk file: a property
// store extra data block (MS-SHLLINK 2.5.7, MS-PROPSTORE). The shell's link object writes it
// itself where it implements IPropertyStore fully; where it does not (Wine), the engine adds
// it to the saved file. Pure: bytes in, bytes out.
#include <cstdint>
#include <string>
#include <vector>

namespace quillsetup {

using Bytes = std::vector<uint8_t>;

// The block holding one property, PKEY_AppUserModel_ID = `id`.
Bytes appUserModelIdBlock(const std::wstring& id);

// The link file with `block` inserted before its terminal block, unless it already has a
// property store block. False when the bytes are not a link file this reader understands.
bool addPropertyStoreBlock(Bytes& link, const Bytes& block);

}  // namespace quillsetup

#pragma once
// Reading a string back from a compiled string table, as LoadString would but for a chosen
// language. Strings live in blocks of 16 (block id / 16 + 1), each a length-prefixed run.
#include <windows.h>

#include <string>

namespace velmora::test {

inline LPCWSTR stringBlockName(UINT id) { return MAKEINTRESOURCEW(id / 16 + 1); }

// The string `id` of a block found with FindResourceEx(RT_STRING, stringBlockName(id), ...);
// empty when there is no block.
inline std::wstring stringInBlock(HMODULE module, HRSRC block, UINT id) {
    if (!block) return {};
    auto* entry = static_cast<const WCHAR*>(::LockResource(::LoadResource(module, block)));
    for (UINT i = 0; i < id % 16; ++i) entry += 1 + *entry;
    return std::wstring(entry + 1, *entry);
}

}  // namespace velmora::test

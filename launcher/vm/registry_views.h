#pragma once
// Which registry views a search walks, in its order, and how the trail names each.
#include <windows.h>

#include <vector>

namespace velmora::launcher {

struct RegistryView {
    REGSAM flag;           // KEY_WOW64_64KEY, KEY_WOW64_32KEY, or 0 for the program's own view
    const wchar_t* label;  // " (64-bit view)", " (32-bit view)", or "" for a key both share
};

enum class ViewOrder {
    WideFirst,    // the 64-bit view, then the 32-bit one
    OwnThenWide,  // the program's own view, then under WOW64 the 64-bit view as well
    Shared,       // one key for 32-bit and 64-bit programs alike, such as HKCU\Software
};

std::vector<RegistryView> registryViews(ViewOrder order);
// The view that access flags open: a view flag names it, else the program's own.
const wchar_t* registryViewLabel(REGSAM access);

}  // namespace velmora::launcher

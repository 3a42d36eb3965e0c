#pragma once
// Owners for window-system objects; apart from unique_handle.h so that code without a user
// interface (and its portable builds) needs no GDI declarations.
#include <windows.h>

#include "common/unique_handle.h"

namespace velmora {

struct IconTraits {  // icons a program loads or creates (not the shared ones of LR_SHARED)
    using Value = HICON;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { ::DestroyIcon(v); }
};
struct FontTraits {
    using Value = HFONT;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { ::DeleteObject(v); }
};

using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueFont = UniqueHandle<FontTraits>;

}  // namespace velmora

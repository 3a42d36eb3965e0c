#pragma once
// Path operations on text alone (no file system access).
#include <string>
#include <string_view>

namespace velmora::launcher {

// Collapses doubled backslashes (keeping a UNC path's leading pair), then turns '/' into '\'.
std::wstring collapseSeparators(std::wstring_view text);
bool isAbsolute(std::wstring_view path);    // "\..." or "X:..."
bool hasExtension(std::wstring_view path);  // a '.' after the last backslash
std::wstring extensionOf(std::wstring_view path);  // lower-cased, without the dot
std::wstring fileNameOf(std::wstring_view path, bool lowerCase = false);
std::wstring parentOf(std::wstring_view path, std::wstring_view fallback);

}  // namespace velmora::launcher

#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

// Splits a ';'-style list: spaces at both ends of the whole text are dropped, empty pieces
// are dropped except a leading one, spaces inside pieces stay.
std::vector<std::wstring> splitList(std::wstring_view text, wchar_t separator);

}  // namespace velmora::launcher

#include "file_rules/list_split.h"

namespace velmora::launcher {

std::vector<std::wstring> splitList(std::wstring_view text, wchar_t separator) {
    size_t begin = text.find_first_not_of(L' ');
    if (begin == std::wstring_view::npos) return {};
    size_t end = text.find_last_not_of(L' ');
    text = text.substr(begin, end - begin + 1);

    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t next = text.find(separator, start);
        if (next == std::wstring_view::npos) next = text.size();
        std::wstring_view piece = text.substr(start, next - start);
        if (!piece.empty() || start == 0) pieces.emplace_back(piece);
        if (next == text.size()) break;
        start = next + 1;
    }
    return pieces;
}

}  // namespace velmora::launcher

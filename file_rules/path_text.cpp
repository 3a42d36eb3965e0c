#include "file_rules/path_text.h"

#include "common/text_convert.h"

namespace velmora::launcher {

std::wstring collapseSeparators(std::wstring_view text) {
    const bool unc = text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\';
    std::wstring out(text);
    const size_t from = unc ? 2 : 0;
    for (size_t at = out.find(L"\\\\", from); at != std::wstring::npos; at = out.find(L"\\\\", at))
        out.erase(at, 1);
    for (auto& c : out)
        if (c == L'/') c = L'\\';
    return out;
}

bool isAbsolute(std::wstring_view path) {
    return (!path.empty() && path[0] == L'\\') || (path.size() > 1 && path[1] == L':');
}

bool hasExtension(std::wstring_view path) {
    size_t slash = path.rfind(L'\\');
    size_t dot = path.rfind(L'.');
    return dot != std::wstring_view::npos && (slash == std::wstring_view::npos || dot > slash);
}

std::wstring extensionOf(std::wstring_view path) {
    if (!hasExtension(path)) return {};
    return asciiLower(path.substr(path.rfind(L'.') + 1));
}

std::wstring fileNameOf(std::wstring_view path, bool lowerCase) {
    size_t slash = path.rfind(L'\\');
    std::wstring name(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
    return lowerCase ? asciiLower(name) : name;
}

std::wstring parentOf(std::wstring_view path, std::wstring_view fallback) {
    size_t slash = path.rfind(L'\\');
    return std::wstring(slash == std::wstring_view::npos ? fallback : path.substr(0, slash));
}

}  // namespace velmora::launcher

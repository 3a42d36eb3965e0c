#include "selfextract/system_paths.h"

#include <vector>

#include "common/unique_handle.h"

namespace ruvo {

std::wstring ModulePath(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FirstMatch(const std::wstring& pattern) {
    WIN32_FIND_DATAW data;
    velmora::UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
    if (!find) return {};
    return data.cFileName;
}

std::wstring LoadText(HINSTANCE module, UINT id) {
    constexpr int kTextCapacity = 510;
    wchar_t buffer[kTextCapacity];
    int length = ::LoadStringW(module, id, buffer, kTextCapacity);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    velmora::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    bytes.clear();
    char buffer[16384];
    DWORD got = 0;
    for (;;) {
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) return true;
        bytes.append(buffer, got);
    }
}

void WriteStandardOutputLine(const char* text) {
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
    std::string line = std::string(text) + "\n";
    DWORD written = 0;
    ::WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace ruvo

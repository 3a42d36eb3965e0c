#include "common/system_error_text.h"

namespace velmora {

std::wstring systemErrorText(DWORD code) {
    // 128 characters, as the registry error reports have always been cut.
    wchar_t buffer[128] = {};
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                    MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 128, nullptr);
    return std::wstring(buffer, length);
}

std::wstring lastErrorText() { return systemErrorText(::GetLastError()); }

}  // namespace velmora

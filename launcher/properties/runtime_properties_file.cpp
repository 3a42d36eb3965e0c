#include "launcher/properties/runtime_properties_file.h"

#include <windows.h>

#include "launcher/launcher_errors.h"
#include "launcher/properties/properties_file.h"

namespace velmora::launcher {

const std::wstring& runtimePropertiesPath() {
    static const std::wstring path = [] {
        wchar_t folder[246] = {};
        DWORD length = ::GetTempPathW(246, folder);
        if (length == 0 || length >= 246)
            throw FileException(L"%TEMP%", L"windows could not open the file specified");
        wchar_t name[MAX_PATH] = {};
        if (::GetTempFileNameW(folder, L"kiv", 0, name) == 0)
            throw FileException(folder, L"windows could not open the file specified");
        return std::wstring(name);
    }();
    return path;
}

void appendRuntimeProperties(const std::vector<std::wstring>& lines) {
    appendPropertyLines(runtimePropertiesPath(), lines);
}

}  // namespace velmora::launcher

#include "common/system_library.h"

#include <string>

namespace velmora {

UniqueModule LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1];
    UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return UniqueModule();
    std::wstring path(folder, length);
    if (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    if (*name != L'\\' && *name != L'/') path += L'\\';
    path += name;
    return UniqueModule(::LoadLibraryW(path.c_str()));
}

}  // namespace velmora

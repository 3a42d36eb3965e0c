#include "selfextract/system_library.h"

#include <string>

namespace ruvo {

velmora::UniqueModule LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1];
    UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return velmora::UniqueModule();
    std::wstring path(folder, length);
    if (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    path += name;
    return velmora::UniqueModule(::LoadLibraryW(path.c_str()));
}

}  // namespace ruvo

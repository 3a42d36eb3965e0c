#include "common/system_library.h"

namespace velmora {

namespace {

std::wstring folderFrom(UINT(WINAPI* query)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH + 1];
    UINT length = query ? query(buffer, MAX_PATH + 1) : 0;
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

}  // namespace

bool runsUnderWow64() {
#ifdef _WIN64
    return false;
#else
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = KernelEntry<IsWow64ProcessFn>("IsWow64Process");
    BOOL result = FALSE;
    return isWow64Process && isWow64Process(::GetCurrentProcess(), &result) && result;
#endif
}

std::wstring systemWow64Folder() {
    using GetFolderFn = UINT(WINAPI*)(LPWSTR, UINT);
    return folderFrom(KernelEntry<GetFolderFn>("GetSystemWow64DirectoryW"));
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
    std::wstring path = runsUnderWow64() ? systemWow64Folder() : folderFrom(::GetSystemDirectoryW);
    // Never a bare name: that would search beyond the system folder.
    if (path.empty()) return UniqueModule();
    if (path.back() == L'\\' || path.back() == L'/') path.pop_back();
    if (*name != L'\\' && *name != L'/') path += L'\\';
    path += name;
    return UniqueModule(::LoadLibraryW(path.c_str()));
}

}  // namespace velmora

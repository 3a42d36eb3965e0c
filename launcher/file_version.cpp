#include "launcher/file_version.h"

#include <windows.h>

#include "common/system_library.h"
#include "launcher/console_service.h"
#include "launcher/file_system.h"

namespace velmora::launcher {
namespace {

// version.dll is no known DLL: imported, a copy planted beside the launcher would load before
// any of its code runs. So it comes from the system folder when a version is first read.
struct VersionLibrary {
    UniqueModule library = LoadSystemLibrary(L"version.dll");
    decltype(&::GetFileVersionInfoSizeW) infoSize = nullptr;
    decltype(&::GetFileVersionInfoW) info = nullptr;
    decltype(&::VerQueryValueW) queryValue = nullptr;
    bool complete = false;

    VersionLibrary() {
        HMODULE module = library.get();
        complete = module && LookUpSystemEntry(module, "GetFileVersionInfoSizeW", infoSize) &&
                   LookUpSystemEntry(module, "GetFileVersionInfoW", info) && LookUpSystemEntry(module, "VerQueryValueW", queryValue);
    }
};

const VersionLibrary& versionLibrary() {
    static const VersionLibrary loaded;  // thread-safe: service mode runs the VM on a worker thread
    return loaded;
}

// Under Wine a GetFileVersionInfoSizeW/GetFileVersionInfoW pair loads the file twice through
// the image loader, about 4 ms; a data-file load and the resource itself take under 1 ms.
// Files the loader cannot map as data (16-bit images) still go through version.dll.
std::vector<unsigned char> readVersionResource(const std::wstring& path) {
    UniqueModule image(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (image) {
        HRSRC found = ::FindResourceW(image.get(), MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
        const DWORD size = found ? ::SizeofResource(image.get(), found) : 0;
        HGLOBAL loaded = size ? ::LoadResource(image.get(), found) : nullptr;
        const auto* bytes = static_cast<const unsigned char*>(loaded ? ::LockResource(loaded) : nullptr);
        if (!bytes) return {};
        return std::vector<unsigned char>(bytes, bytes + size);
    }
    const VersionLibrary& calls = versionLibrary();
    if (!calls.complete) return {};
    DWORD ignored = 0;
    DWORD size = calls.infoSize(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> data(size);
    if (!calls.info(path.c_str(), 0, size, data.data())) return {};
    return data;
}

// A value of a resource that readVersionResource returned.
bool queryVersionValue(std::vector<unsigned char>& data, const wchar_t* subBlock, void** value, UINT* length) {
    if (data.empty()) return false;
    const VersionLibrary& calls = versionLibrary();
    return calls.complete && calls.queryValue(data.data(), subBlock, value, length);
}

}  // namespace

FileVersion::FileVersion(std::wstring path) : path_(normalisePath(path)) {}

std::vector<unsigned char>& FileVersion::resource() {
    if (!read_) {
        data_ = readVersionResource(path_);
        read_ = true;
    }
    return data_;
}

std::optional<ProductVersion> FileVersion::get() {
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!queryVersionValue(resource(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return ProductVersion{HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS),
                          HIWORD(info->dwProductVersionLS), LOWORD(info->dwProductVersionLS)};
}

std::wstring FileVersion::companyName(bool print) {
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!queryVersionValue(resource(), L"\\StringFileInfo\\040904b0\\CompanyName", reinterpret_cast<void**>(&value),
                           &length) ||
        value == nullptr)
        return {};
    std::wstring company(value);
    if (print) writeOwnOutput(L"company: " + company + L"\n");
    return company;
}

std::wstring companyNameOf(const std::wstring& path, bool print) { return FileVersion(path).companyName(print); }

}  // namespace velmora::launcher

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
        complete = module && lookUp(module, "GetFileVersionInfoSizeW", infoSize) &&
                   lookUp(module, "GetFileVersionInfoW", info) && lookUp(module, "VerQueryValueW", queryValue);
    }

    template <typename Function>
    static bool lookUp(HMODULE module, const char* name, Function& function) {
        function = reinterpret_cast<Function>(::GetProcAddress(module, name));
        return function != nullptr;
    }
};

const VersionLibrary& versionLibrary() {
    static const VersionLibrary loaded;  // thread-safe: service mode runs the VM on a worker thread
    return loaded;
}

std::vector<unsigned char> readVersionResource(const std::wstring& path) {
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
    const VersionLibrary& calls = versionLibrary();
    return !data.empty() && calls.complete && calls.queryValue(data.data(), subBlock, value, length);
}

}  // namespace

FileVersion::FileVersion(std::wstring path) : path_(normalisePath(path)) {}

std::optional<ProductVersion> FileVersion::get() {
    if (failed_) return std::nullopt;
    if (queried_) return version_;
    std::vector<unsigned char> data = readVersionResource(path_);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!queryVersionValue(data, L"\\", reinterpret_cast<void**>(&info), &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        failed_ = true;
        return std::nullopt;
    }
    version_ = {HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS),
                HIWORD(info->dwProductVersionLS), LOWORD(info->dwProductVersionLS)};
    queried_ = true;
    return version_;
}

std::wstring companyNameOf(const std::wstring& path, bool print) {
    std::vector<unsigned char> data = readVersionResource(path);
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!queryVersionValue(data, L"\\StringFileInfo\\040904b0\\CompanyName", reinterpret_cast<void**>(&value),
                           &length) ||
        value == nullptr)
        return {};
    std::wstring company(value);
    if (print) writeStandardText(STD_OUTPUT_HANDLE, L"company: " + company + L"\n");
    return company;
}

}  // namespace velmora::launcher

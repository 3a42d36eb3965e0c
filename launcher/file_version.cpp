#include "launcher/file_version.h"

#include <windows.h>

#include "launcher/console_service.h"
#include "launcher/file_system.h"

namespace velmora::launcher {
namespace {

std::vector<unsigned char> readVersionResource(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
    return data;
}

}  // namespace

FileVersion::FileVersion(std::wstring path) : path_(normalisePath(path)) {}

std::optional<ProductVersion> FileVersion::get() {
    if (failed_) return std::nullopt;
    if (queried_) return version_;
    std::vector<unsigned char> data = readVersionResource(path_);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (data.empty() || !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        failed_ = true;
        return std::nullopt;
    }
    version_ = {HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS),
                HIWORD(info->dwProductVersionLS), LOWORD(info->dwProductVersionLS)};
    queried_ = true;
    return version_;
}

std::wstring companyNameOf(const std::wstring& path) {
    std::vector<unsigned char> data = readVersionResource(path);
    wchar_t* value = nullptr;
    UINT length = 0;
    if (data.empty() || !::VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\CompanyName",
                                          reinterpret_cast<void**>(&value), &length) ||
        value == nullptr)
        return {};
    std::wstring company(value);
    writeStandardText(STD_OUTPUT_HANDLE, L"company: " + company + L"\n");
    return company;
}

}  // namespace velmora::launcher

#pragma once
// What a Java executable path says about its VM: kind, home, maker and version.
#include <optional>
#include <string>
#include <string_view>

#include "file_rules/vm_version.h"
#include "launcher/file_version.h"

namespace velmora::launcher {

struct VmProbe {
    VmKind kind = VmKind::JDK;
    std::wstring home;
    std::wstring vendor;
    VmVersion version;
};

VmProbe probeExecutable(const std::wstring& path);

VmKind detectKind(const std::wstring& path);
// The directory above a bin-like last directory, else the executable's directory.
std::wstring detectHome(std::wstring_view path);
// "Microsoft" for jview, "IBM" when the company name says so, else "Sun". Reading the company
// name prints it unless `printCompany` is false.
std::wstring detectVendor(const std::wstring& path, bool printCompany = true);
// The same with the executable's version resource, which detectVersion reads from too: one
// read serves both.
std::wstring detectVendor(const std::wstring& path, FileVersion& resource, bool printCompany = true);
VmVersion detectVersion(const std::wstring& path, FileVersion& resource, VmKind kind, const std::wstring& vendor,
                        const std::wstring& home);

// Rules without file access.
std::wstring vendorFromCompany(std::wstring_view company);  // "IBM" or "Sun"
VmVersion versionFromProductVersion(std::wstring_view vendor, const ProductVersion& product);
VmVersion versionFromPlugin(const ProductVersion& plugin);
bool isSystemDirectoryName(std::wstring_view lastComponent);  // system32, syswow64

}  // namespace velmora::launcher

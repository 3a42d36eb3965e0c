#include "launcher/vm/vm_probe.h"

#include <windows.h>

#include "common/text_convert.h"
#include "file_rules/path_text.h"
#include "launcher/file_system.h"
#include "launcher/vm/registry_key.h"

namespace velmora::launcher {
namespace {

std::wstring directoryOf(std::wstring_view path) { return parentOf(path, L"."); }

// The version of a java.exe in the system directory comes from the JavaSoft keys.
VmVersion versionFromJavaSoftKeys() {
    const std::wstring base = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
    RegistryKey root;
    RegistryKey release;
    std::wstring current;
    std::wstring micro;
    if (root.tryOpen(HKEY_LOCAL_MACHINE, base, KEY_READ) == ERROR_SUCCESS &&
        root.tryReadString(L"CurrentVersion", current) == ERROR_SUCCESS &&
        release.tryOpen(HKEY_LOCAL_MACHINE, base + L"\\" + current, KEY_READ) == ERROR_SUCCESS &&
        release.tryReadString(L"MicroVersion", micro) == ERROR_SUCCESS)
        return parseVersionText(current + L"." + micro + L"_0");
    return parseVersionText(L"0.0.0.0");
}

}  // namespace

bool isSystemDirectoryName(std::wstring_view lastComponent) {
    std::wstring lowered = asciiLower(lastComponent);
    return lowered == L"system32" || lowered == L"syswow64";
}

VmKind detectKind(const std::wstring& path) {
    std::wstring name = fileNameOf(path, true);
    if (name == L"jview.exe" || name == L"wjview.exe") return VmKind::MSJ;
    if (name == L"jre.exe" || name == L"jrew.exe") return VmKind::JRE;
    return exists(directoryOf(path) + L"\\javac.exe") ? VmKind::JDK : VmKind::JRE;
}

std::wstring detectHome(std::wstring_view path) {
    std::wstring dir = directoryOf(path);
    size_t lastSlash = dir.rfind(L'\\');
    size_t from = lastSlash == std::wstring::npos ? 0 : lastSlash;
    if (dir.find(L"bin", from) != std::wstring::npos) return parentOf(dir, L".");
    return dir;
}

std::wstring vendorFromCompany(std::wstring_view company) {
    return asciiLower(company).find(L"ibm") != std::wstring::npos ? L"IBM" : L"Sun";
}

std::wstring detectVendor(const std::wstring& path, FileVersion& resource, bool printCompany) {
    std::wstring name = fileNameOf(path, true);
    if (name == L"jview.exe" || name == L"wjview.exe") return L"Microsoft";
    return vendorFromCompany(resource.companyName(printCompany));
}

std::wstring detectVendor(const std::wstring& path, bool printCompany) {
    FileVersion resource(path);
    return detectVendor(path, resource, printCompany);
}

VmVersion versionFromProductVersion(std::wstring_view vendor, const ProductVersion& p) {
    if (vendor == L"Sun" && p.major != 1) return VmVersion{p.major, p.minor, p.build};
    return VmVersion{p.minor, p.build, p.revision};
}

VmVersion versionFromPlugin(const ProductVersion& p) {
    return VmVersion{p.minor, p.build, static_cast<uint16_t>(p.minor < 4 ? p.revision : p.revision / 10)};
}

VmVersion detectVersion(const std::wstring& path, FileVersion& resource, VmKind kind, const std::wstring& vendor,
                        const std::wstring& home) {
    if (kind != VmKind::MSJ) {
        if (auto product = resource.get()) return versionFromProductVersion(vendor, *product);
    }
    if (kind == VmKind::MSJ) return VmVersion{1, 4, 0};
    if (isSystemDirectoryName(fileNameOf(home))) return versionFromJavaSoftKeys();

    const std::wstring dir = directoryOf(path);
    auto has = [&](const wchar_t* relative) { return exists(dir + relative); };
    uint16_t base = 0;
    if (has(L"\\pack200.exe"))
        base = 5;
    else if (has(L"\\client") || has(L"\\..\\jre\\bin\\client") || has(L"\\server") || has(L"\\..\\jre\\bin\\server"))
        base = 4;
    else if (has(L"\\hotspot") || has(L"\\..\\jre\\bin\\hotspot"))
        base = 3;
    else if (has(L"\\classic"))
        base = 2;
    if (base != 0) {
        std::wstring plugin = kind == VmKind::JRE ? dir + L"\\NPJava32.dll" : dir + L"\\..\\jre\\bin\\NPJava32.dll";
        if (exists(plugin)) {
            FileVersion pluginVersion(plugin);
            if (auto product = pluginVersion.get()) return versionFromPlugin(*product);
        }
        return VmVersion{base, 0, 0};
    }
    std::wstring name = fileNameOf(path, true);
    if (name == L"jre.exe" || name == L"jrew.exe" || has(L"\\jre.exe") || has(L"\\jrew.exe")) return VmVersion{1, 0, 0};
    return VmVersion{};
}

VmProbe probeExecutable(const std::wstring& path) {
    VmProbe probe;
    probe.kind = detectKind(path);
    probe.home = detectHome(path);
    FileVersion resource(path);
    probe.vendor = detectVendor(path, resource);  // once per path: it prints the company line
    probe.version = detectVersion(path, resource, probe.kind, probe.vendor, probe.home);
    return probe;
}

}  // namespace velmora::launcher

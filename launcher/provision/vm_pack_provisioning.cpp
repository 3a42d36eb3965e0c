#include "launcher/provision/vm_pack_provisioning.h"

#include <windows.h>

#include "file_rules/property_set.h"
#include "launcher/console_service.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/provision/file_md5.h"
#include "launcher/provision/vm_pack_download.h"
#include "launcher/provision/zip_reader.h"

namespace velmora::launcher {
namespace {

std::wstring joined(std::wstring directory, const std::wstring& relative) {
    while (!directory.empty() && (directory.back() == L'\\' || directory.back() == L'/')) directory.pop_back();
    return directory + L"\\" + relative;
}

// Every entry of the archive below the base it was opened with, then closes it; false when
// any entry could not be written. The other entries are still written.
bool extractAll(ZipReaderHandle reader) {
    ZipEntryRecord record;
    bool complete = ZipReaderEntry(reader.get(), -1, record) == kZipOk;
    const int count = record.index;
    for (int index = 0; index < count; ++index) {
        if (ZipReaderEntry(reader.get(), index, record) != kZipOk) {
            complete = false;
            continue;
        }
        if (ZipReaderExtract(reader.get(), index, record.name) != kZipOk) complete = false;
    }
    ZipReaderClose(reader);
    return complete;
}

void deleteFile(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

// bin\java.exe of the VM directory, else jre\bin\java.exe; empty when neither bin exists.
std::wstring javaExecutableIn(const std::wstring& vmDirectory) {
    if (isDirectory(joined(vmDirectory, L"bin"))) return joined(vmDirectory, L"bin\\java.exe");
    if (isDirectory(joined(vmDirectory, L"jre\\bin"))) return joined(vmDirectory, L"jre\\bin\\java.exe");
    return {};
}

}  // namespace

VmPackRequest vmPackRequest(const PropertySet& buildOptions, VmPackUrl which, const std::wstring& baseDirectory,
                            bool silent) {
    VmPackRequest request;
    if (which == VmPackUrl::NotFound) {
        request.url = buildOptions.getProperty(L"build.without.vm.not.found.download.url");
        request.md5Applicable =
            buildOptions.getProperty(L"build.without.vm.not.found.download.url.md5Checksum.applicable");
        request.md5Value = buildOptions.getProperty(L"build.without.vm.not.found.download.url.md5Checksum.value");
    } else {
        request.url = buildOptions.getProperty(L"build.without.vm.direct.download.url");
        request.md5Applicable =
            buildOptions.getProperty(L"build.without.vm.dont.search.download.url.md5Checksum.applicable");
        request.md5Value = buildOptions.getProperty(L"build.without.vm.dont.search.download.url.md5Checksum.value");
    }
    request.baseDirectory = baseDirectory;
    request.silent = silent;
    return request;
}

std::wstring packFileName(const std::wstring& url) {
    const size_t slash = url.rfind(L'/');
    std::wstring name = slash == std::wstring::npos ? url : url.substr(slash + 1);
    size_t first = 0;
    while (first < name.size() && name[first] <= 32) ++first;
    size_t last = name.size();
    while (last > first && name[last - 1] <= 32) --last;
    return name.substr(first, last - first);
}

std::wstring downloadDestination(const std::wstring& base, const std::wstring& fileName, bool windowsSpecsExists,
                                 bool pureSpecsExists) {
    if (windowsSpecsExists) return joined(base, L"Windows\\jvmspecs\\" + fileName);
    if (pureSpecsExists) return joined(base, L"Windows_Pure_64_Bit\\jvmspecs\\" + fileName);
    return {};
}

std::wstring vmDirectoryOf(const std::wstring& base, bool windowsExists, bool pureExists) {
    if (windowsExists) return joined(base, L"Windows\\resource\\jre");
    if (pureExists) return joined(base, L"Windows_Pure_64_Bit\\resource\\jre");
    return {};
}

std::wstring intermediateDirectoryOf(const std::wstring& destination) {
    const size_t slash = destination.rfind(L'\\');
    return (slash == std::wstring::npos ? std::wstring(L".") : destination.substr(0, slash)) +
           L"\\downloadIntermediary";
}

void RemoveIntermediary(const std::wstring& intermediateDirectory) {
    deleteFile(joined(intermediateDirectory, L"vm.zip"));
    deleteFile(joined(intermediateDirectory, L"vm.properties"));
    ::RemoveDirectoryW(intermediateDirectory.c_str());
}

bool ExtractVmPack(const std::wstring& pack, const std::wstring& vmDirectory) {
    const std::wstring intermediate = intermediateDirectoryOf(pack);
    if (!createDirectoryPath(intermediate)) return false;
    // A pack with a refused or damaged entry is not unpacked further; what it left stays
    // in the intermediate directory.
    ZipReaderHandle outer = ZipReaderOpen(pack, intermediate);
    if (!outer || !extractAll(std::move(outer))) return false;
    const std::wstring innerArchive = joined(intermediate, L"vm.zip");
    if (isDirectory(innerArchive)) return false;
    ZipReaderHandle inner = ZipReaderOpen(innerArchive, vmDirectory);
    if (!inner) return false;
    const bool complete = extractAll(std::move(inner));
    RemoveIntermediary(intermediate);
    return complete;
}

std::optional<std::wstring> ProvisionVmPack(const VmPackRequest& request) {
    auto say = [&request](const std::wstring& text) {
        if (!request.silent) writeStandardText(STD_OUTPUT_HANDLE, text);
    };
    trail(L"VM pack: " + request.url);
    if (!request.url.ends_with(L".vm")) {
        trail(L"VM pack: refused, the URL does not end in .vm");
        say(L"\nThe file specified is not a valid VM pack\n");
        return std::nullopt;
    }
    const std::wstring& base = request.baseDirectory;
    const std::wstring destination =
        downloadDestination(base, packFileName(request.url), isDirectory(joined(base, L"Windows\\jvmspecs")),
                            isDirectory(joined(base, L"Windows_Pure_64_Bit\\jvmspecs")));
    if (!DownloadVmPack(request.url, destination, request.silent)) {
        trail(destination.empty() ? std::wstring(L"VM pack: no jvmspecs folder below " + base + L" to download into")
                                  : L"VM pack: the download to " + destination + L" failed");
        return std::nullopt;
    }

    if (request.md5Applicable == L"true") {
        say(L"\nVerifying the downloaded JVM with MD5 checksum specified\n");
        const std::wstring md5 = ComputeFileMd5(destination, request.silent);
        if (!md5Matches(md5, request.md5Value)) {
            trail(L"VM pack: MD5 " + md5 + L" differs from the expected " + request.md5Value);
            // The pack stays for the user to look at.
            say(L"Warning!! MD5 checksum verification for downloaded JVM failed. Installer exiting...");
            return std::nullopt;
        }
        say(L"MD5 checksum verification for downloaded JVM passed");
    }

    say(L"\nExtracting VM Pack. Please wait!!!\n");
    const std::wstring vmDirectory =
        vmDirectoryOf(base, isDirectory(joined(base, L"Windows")), isDirectory(joined(base, L"Windows_Pure_64_Bit")));
    std::optional<std::wstring> executable;
    if (createDirectoryPath(vmDirectory) && ExtractVmPack(destination, vmDirectory)) {
        say(L"\nExtracted the JVM pack successfully!!\n");
        executable = javaExecutableIn(vmDirectory);
    } else {
        trail(L"VM pack: unpacking into " + vmDirectory + L" failed");
        say(L"\nCould not extract the downloaded VM pack. Installer exiting...");
    }
    deleteFile(destination);
    return executable;
}

std::optional<std::wstring> ProvisionVmPack(const RunContext& context, VmPackUrl which) {
    return ProvisionVmPack(
        vmPackRequest(context.vmSpecProperties, which, context.startDirectory, context.silent));
}

}  // namespace velmora::launcher

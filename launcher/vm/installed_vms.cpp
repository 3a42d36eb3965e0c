#include "launcher/vm/installed_vms.h"

#include <optional>

#include "common/decimal_text.h"
#include "common/text_convert.h"
#include "launcher/console_service.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/environment_snapshot.h"
#include "launcher/file_system.h"
#include "launcher/mapped_file.h"
#include "launcher/vm/pe_image.h"
#include "launcher/vm/platform_rule.h"
#include "launcher/vm/registry_key.h"
#include "launcher/vm/registry_views.h"
#include "launcher/vm/vm_probe.h"
#include "launcher/wow64.h"

namespace velmora::launcher {
namespace {

struct JavaKey {
    const wchar_t* path;
    const wchar_t* vendor;
    VmKind kind;
};

// The IBM rows carry their kinds the other way round from the JavaSoft ones; records
// built from them have always been marked so.
const JavaKey kJavaKeys[] = {
    {L"SOFTWARE\\JavaSoft\\JDK", L"Sun", VmKind::JDK},
    {L"SOFTWARE\\JavaSoft\\JRE", L"Sun", VmKind::JRE},
    {L"SOFTWARE\\JavaSoft\\Java Development Kit", L"Sun", VmKind::JDK},
    {L"SOFTWARE\\JavaSoft\\Java Runtime Environment", L"Sun", VmKind::JRE},
    {L"SOFTWARE\\IBM\\Java2 Runtime Environment", L"IBM", VmKind::JDK},
    {L"SOFTWARE\\IBM\\Java Development Kit", L"IBM", VmKind::JRE},
};

const wchar_t* const kPathExecutables[] = {L"\\java.exe", L"\\jre.exe", L"\\javaw.exe", L"\\jrew.exe", L"\\jview.exe"};

// The system's message inside a key error ends in a line break; the trail keeps one line.
std::wstring singleLine(std::wstring text) {
    std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    return text;
}

// "HKLM\SOFTWARE\JavaSoft\JRE (64-bit view)", for the trail.
std::wstring registryPlace(const wchar_t* keyPath, REGSAM access) {
    return std::wstring(L"HKLM\\") + keyPath + registryViewLabel(access);
}

// A link on the search path counts as the file it leads to.
std::wstring finalPathOf(const std::wstring& path) {
    FinalPath resolved = resolveFinalPath(path);
    if (resolved.status == FinalPathStatus::EmptyFile) writeOwnOutput(L"Cannot map a file with a length of zero.\n");
    return resolved.path;
}

// A release key's record; none, with the reason in `problem`, when a value it needs cannot be read.
std::unique_ptr<VmRecord> readRelease(const RegistryKey& release, const std::wstring& name, std::wstring& problem) {
    VmVersion version = parseVersionText(name);
    std::wstring micro;
    // Up to Java 8 the registry's "micro" is the second number of this numbering.
    const wchar_t* valueName = L"MicroVersion";
    LSTATUS status = version.major <= 8 ? release.tryReadString(valueName, micro) : ERROR_SUCCESS;
    version.minor = version.major <= 8 ? static_cast<uint16_t>(_wtoi(micro.c_str())) : 0;
    auto record = recordForMajor(version.major);
    record->version = version;
    if (status == ERROR_SUCCESS) status = release.tryReadString(valueName = L"JavaHome", record->home);
    if (status == ERROR_SUCCESS) return record;
    problem = release.failureText(status, RegistryCall::ReadValue, valueName);
    return nullptr;
}

}  // namespace

void enumerateRegistryPass(REGSAM access, int32_t is64Bit, VmList& into) {
    for (const auto& javaKey : kJavaKeys) {
        RegistryKey key;
        std::vector<std::wstring> names;
        LSTATUS status = key.tryOpen(HKEY_LOCAL_MACHINE, javaKey.path, access);
        const RegistryCall call = status == ERROR_SUCCESS ? RegistryCall::ListSubkeys : RegistryCall::Open;
        if (status == ERROR_SUCCESS) status = key.trySubkeyNames(names);
        if (status != ERROR_SUCCESS) {
            if (trailEnabled())
                trail(L"registry " + registryPlace(javaKey.path, access) + L": " +
                      singleLine(key.failureText(status, call)));
            continue;
        }
        if (names.empty()) trail(L"registry " + registryPlace(javaKey.path, access) + L": no subkeys");
        for (const auto& name : names) {
            RegistryKey release;
            std::unique_ptr<VmRecord> record;
            std::wstring problem;
            status = release.tryOpen(key, name, KEY_READ);  // in the parent's view
            if (status == ERROR_SUCCESS) record = readRelease(release, name, problem);
            else problem = release.failureText(status, RegistryCall::Open);
            if (!record) {
                // this release only
                if (trailEnabled())
                    trail(L"registry " + registryPlace(javaKey.path, access) + L", subkey " + name + L": dropped, " +
                          singleLine(problem));
                continue;
            }
            record->kind = javaKey.kind;
            record->is64Bit = is64Bit;
            record->vendor = javaKey.vendor;
            if (trailEnabled())
                trail(L"candidate from registry " + registryPlace(javaKey.path, access) + L", subkey " + name + L": " +
                      describeVm(*record));
            into.push_back(std::move(record));
            closeWhenVmStarted(std::move(release));
        }
    }
}

VmList enumerateRegistryVms() {
    VmList records;
    // Only the 64-bit view's records are marked: the own view's are not, even in a 64-bit program.
    for (const RegistryView& view : registryViews(ViewOrder::OwnThenWide))
        enumerateRegistryPass(KEY_READ | view.flag, view.flag == KEY_WOW64_64KEY ? 1 : 0, records);
    return records;
}

VmList scanPathVms(const std::vector<std::wstring>& directories) {
    std::vector<std::wstring> searched = directories;
    if (isWow64()) searched.push_back(systemWow64Directory());
    std::vector<std::wstring> found;
    std::vector<std::wstring> foundIn;  // the directory of each, for the trail
    for (const auto& directory : searched) {
        const size_t before = found.size();
        for (const wchar_t* name : kPathExecutables) {
            std::wstring path = normalisePath(directory + name);
            DWORD attributes = ::GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) continue;
            found.push_back(attributes & FILE_ATTRIBUTE_REPARSE_POINT ? finalPathOf(path) : path);
            if (trailEnabled()) foundIn.push_back(directory);
        }
        if (found.size() == before) trail(L"PATH directory " + directory + L": no Java executable");
    }
    VmList records;
    for (size_t i = 0; i < found.size(); ++i) {
        const std::wstring& path = found[i];
        if (detectKind(path) == VmKind::MSJ) {
            auto record = std::make_unique<MicrosoftVm>();
            record->home = detectHome(path);
            record->vendor = detectVendor(path);
            if (trailEnabled())
                trail(L"candidate from PATH directory " + foundIn[i] + L": " + path + L": " + describeVm(*record));
            records.push_back(std::move(record));
            continue;
        }
        VmProbe probe = probeExecutable(path);
        auto record = recordForMajor(probe.version.major);
        record->version = probe.version;
        record->home = probe.home;
        record->vendor = probe.vendor;
        record->kind = probe.kind;
        record->is64Bit = isWow64() && peImageBitness(path) == 2 ? 1 : 0;
        if (trailEnabled())
            trail(L"candidate from PATH directory " + foundIn[i] + L": " + path + L": " + describeVm(*record));
        records.push_back(std::move(record));
    }
    return records;
}

VmList removeDuplicateVms(VmList& records) {
    VmList removed;
    for (size_t i = 0; i < records.size(); ++i) {
        for (size_t j = i + 1; j < records.size();) {
            if (records[j]->home == records[i]->home && records[j]->version == records[i]->version) {
                removed.push_back(std::move(records[j]));
                records.erase(records.begin() + static_cast<std::ptrdiff_t>(j));
            } else {
                ++j;
            }
        }
    }
    return removed;
}

bool prefersNot64Bit(int64_t platform) { return !platformRule(platform, PlatformSearch::List).prefersMarked; }

bool compareVmRank(const VmRecord& a, const VmRecord& b, bool preferNot64Bit) {
    if (a.is64Bit == b.is64Bit) return a.version < b.version;
    // The marked record ranks below when the unmarked ones are preferred, above otherwise.
    return preferNot64Bit ? a.is64Bit != 0 : b.is64Bit != 0;
}

InstalledVmList buildInstalledVmList(int64_t platform, const std::vector<std::wstring>& pathDirectories) {
    InstalledVmList list;
    list.preferNot64Bit = prefersNot64Bit(platform);
    list.records = enumerateRegistryVms();
    if (pathDirectories.empty()) trail(L"no PATH directories to search");
    VmList fromPath = scanPathVms(pathDirectories);
    for (auto& record : fromPath) list.records.push_back(std::move(record));
    VmList duplicates = removeDuplicateVms(list.records);
    sortByRank(list.records, list.preferNot64Bit);
    if (trailEnabled()) {
        for (const auto& record : duplicates)
            trail(L"dropped as a duplicate (same home and version): " + nameVm(*record));
        trail(L"installed VMs: " + decimalText(list.records.size()));
    }
    return list;
}

InstalledVmList& installedVms(int64_t platform) {
    // Built once per process: the platform of the first call fixes the 64-bit preference,
    // and a later call with another platform gets the list as it is.
    static std::optional<InstalledVmList> list;
    if (!list) {
        list = buildInstalledVmList(platform, EnvironmentSnapshot::current().pathDirectories());
    } else if (list->preferNot64Bit != prefersNot64Bit(platform)) {
        trail(L"installed VMs: kept as ranked by the first search; platform " + decimalText(platform) +
              L" would rank 64-bit VMs differently");
    }
    return *list;
}

}  // namespace velmora::launcher

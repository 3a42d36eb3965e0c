#pragma once
// The language of kiv.nl.valid.vm.list, on text alone: entries, their parts and version specs.
#include <string>
#include <string_view>
#include <vector>

#include "file_rules/vm_version.h"

namespace velmora::launcher {

// Entries with a meaning of their own; every other entry is a custom one.
inline constexpr const wchar_t* kFixedListEntries[] = {L"ALL",    L"J1",     L"J2",     L"JDK",    L"JRE",
                                                       L"JDK_J1", L"JDK_J2", L"JRE_J1", L"JRE_J2", L"MSJ"};
bool isFixedListEntry(std::wstring_view upperEntry);

struct CustomEntry {
    std::wstring kind;               // "", "JRE", "JDK" or "ALL"
    std::wstring versionSpec;        // such as "1.6.0_20", "1.5+", "1.6*"
    std::wstring validatorArgument;  // handed to the validator class
};

std::vector<std::wstring> splitValidList(std::wstring_view list);
bool isVersionToken(std::wstring_view token);
CustomEntry splitCustomEntry(std::wstring_view entry);

// What a version spec asks for: its last character decides; a '*' or '+' anywhere else is
// read as part of the version, and a '*' after a third number matches nothing.
enum class VersionSpecForm { Exact, AtLeast, Prefix, MatchesNothing };
struct VersionSpecReading {
    VersionSpecForm form = VersionSpecForm::Exact;
    VmVersion version;
    bool markerInside = false;  // a '*' or '+' before the last character
};
VersionSpecReading readVersionSpec(std::wstring_view spec);
bool matchesVersionSpec(const VmVersion& version, std::wstring_view spec);

}  // namespace velmora::launcher

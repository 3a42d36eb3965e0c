#pragma once
// kiv.nl.valid.vm.list: which installed VMs are acceptable, and the best of them.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "file_rules/vm_list_language.h"
#include "file_rules/vm_version.h"
#include "launcher/launch_options.h"

namespace velmora::launcher {

class PropertySet;
class VmRecord;

// Runs the validator class for a record; true when it accepts the record.
using ValidatorRun = std::function<bool(const VmRecord&, const std::wstring&)>;

// When an entry refuses the record and `refusal` is given, it names the condition that failed.
bool matchesCustomEntry(const VmRecord& record, std::wstring_view upperEntry, const ValidatorRun& validator,
                        std::wstring* refusal = nullptr);
bool matchesListEntry(const VmRecord& record, std::wstring_view entry, const ValidatorRun& validator,
                      std::wstring* refusal = nullptr);


// What the search made of one record for one entry, for the diagnostic trail.
struct ListSearchStep {
    std::wstring entry;
    const VmRecord* record = nullptr;
    bool accepted = false;
    std::wstring reason;  // why refused; for an accepted record, empty or a remark
};
struct ListSearchReport {
    std::vector<ListSearchStep> steps;
    std::vector<const VmRecord*> ranked;  // the collected records, best last
};

// The best record of `installed` that some entry accepts and the platform admits; each
// record tested gets a copy of the launch options first. Null when none. Fills `report`
// when given.
VmRecord* pickFromValidList(const std::vector<VmRecord*>& installed, const std::vector<std::wstring>& entries,
                            int64_t platform, bool preferNot64Bit, const LaunchOptions& options,
                            const ValidatorRun& validator, ListSearchReport* report = nullptr);

// The trail lines of a search: each entry's verdict on each record, then the ranking.
void traceListSearch(const ListSearchReport& report);

// The list search over the installed VMs; a copy of the chosen record, or null.
std::unique_ptr<VmRecord> searchValidVmList(const PropertySet& appProperties, const LaunchOptions& options);

int64_t platformValue(const PropertySet& appProperties);

}  // namespace velmora::launcher

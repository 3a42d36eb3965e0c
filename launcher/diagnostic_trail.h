#pragma once
// The diagnostic trail: with KIV_DEBUG=true the launcher says on standard error, one
// "quillrun: " line per fact, which VMs it considered and why it took or refused each.
// Support staff can then answer "Java is installed, but the launcher says it isn't"
// without a debugger. Off, the trail writes nothing and reads nothing more.
#include <cstdint>
#include <string>
#include <string_view>

#include "file_rules/vm_version.h"

namespace velmora::launcher {

class VmRecord;

// The switch's rule: "true" in any letter case. `value` is null when the variable is absent.
bool trailSwitchOn(const wchar_t* value);

// Whether this process writes the trail; KIV_DEBUG is read once, on the first call.
bool trailEnabled();

// "quillrun: " + text + "\n" on standard error (UTF-8 unless it is a console), when enabled.
// Callers whose text costs work to compose test trailEnabled() first.
void trail(std::wstring_view text);

// One fact stays on one line: control characters are shown as \n, \r, \t or \xNN.
std::wstring trailLine(std::wstring_view text);

std::wstring vmKindName(VmKind kind);
// "JRE, vendor Sun, version 8.0.310, not 64-bit, home C:\jre8"
std::wstring describeVm(const VmRecord& record);
// "JRE 8.0.310 at C:\jre8": enough to tell the records of one search apart.
std::wstring nameVm(const VmRecord& record);

}  // namespace velmora::launcher

#include "launcher/diagnostic_trail.h"

#include <windows.h>

#include "common/decimal_text.h"
#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "launcher/console_service.h"
#include "launcher/vm/vm_record.h"
#include "launcher/windowed_mode.h"

namespace velmora::launcher {
namespace {

bool readSwitch() {
    // Anything longer than "true" is not "true"; a small buffer is enough to tell.
    // Absent, empty or longer than the buffer: none of them is "true".
    wchar_t value[8] = {};
    DWORD length = ::GetEnvironmentVariableW(L"KIV_DEBUG", value, 8);
    if (length == 0 || length >= 8) return false;
    return trailSwitchOn(value);
}

}  // namespace

bool trailSwitchOn(const wchar_t* value) { return value != nullptr && equalsIgnoringAsciiCase(value, L"true"); }

bool trailEnabled() {
    static const bool enabled = readSwitch();
    return enabled;
}

void trail(std::wstring_view text) {
    if (!trailEnabled()) return;
    const std::wstring line = L"quillrun: " + trailLine(text) + L"\n";
    writeStandardText(STD_ERROR_HANDLE, line);
    if (!windowedMode()) return;
    // Without a console the trail would be lost: it is appended to a file as well.
    UniqueFileHandle file(::CreateFileW(windowedTrailPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::string bytes = wideToUtf8(line);
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring trailLine(std::wstring_view text) {
    std::wstring line;
    line.reserve(text.size());
    for (wchar_t c : text) {
        if (c >= 0x20 && c != 0x7F) {
            line.push_back(c);
        } else if (c == L'\n') {
            line += L"\\n";
        } else if (c == L'\r') {
            line += L"\\r";
        } else if (c == L'\t') {
            line += L"\\t";
        } else {
            line += L"\\x";
            appendHexByte(line, static_cast<unsigned>(c), true);
        }
    }
    return line;
}

std::wstring vmKindName(VmKind kind) {
    switch (kind) {
        case VmKind::JDK:
            return L"JDK";
        case VmKind::JRE:
            return L"JRE";
        case VmKind::MSJ:
            return L"MSJ";
    }
    return L"kind " + decimalText(static_cast<int32_t>(kind));
}

std::wstring describeVm(const VmRecord& record) {
    return vmKindName(record.kind) + L", vendor " + record.vendor + L", version " + versionText(record.version) +
           (record.is64Bit ? L", 64-bit" : L", not 64-bit") + L", home " + record.home;
}

std::wstring nameVm(const VmRecord& record) {
    return vmKindName(record.kind) + L" " + versionText(record.version) + (record.is64Bit ? L" (64-bit)" : L"") +
           L" at " + record.home;
}

}  // namespace velmora::launcher

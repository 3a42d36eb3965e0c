#pragma once
// VM specification files: where to look for an acceptable VM (registry values, folders),
// which executable to expect below its home, and which system properties it must report.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

using PropertyChecks = std::map<std::wstring, std::wstring>;  // name -> expected, ordinal order

// Line keys, tested in this order by containment: section keys first, so that a description
// line that mentions PATH_HINT: still opens the path section. A line containing "/:" ends a
// section. "BOOT_CLASSPATH:" contains "CLASSPATH:" and therefore lands there. "VERBOSE_GC:"
// is known to the format but sets nothing, which is what an unknown key does too.
inline constexpr const wchar_t* kVmSpecSectionKeys[] = {L"JVM_PROPERTIES", L"PLATFORM_HINT:", L"PATH_HINT:"};
inline constexpr const wchar_t* kVmSpecValueKeys[] = {
    L"DESC:",           L"JVM_EXE:",         L"CLASSPATH:",       L"CLASSPATH_SEPARATOR:", L"SYSTEM:",
    L"SYSTEM_SEPARATOR:", L"VERBOSE:",       L"VERBOSE_CLASS:",   L"VERBOSE_JNI:",         L"VERSION:",
    L"BOOT_CLASSPATH:", L"NO_CLASS_GC:",     L"INIT_JAVA_HEAP:",  L"MAX_JAVA_HEAP:",       L"REDUCE_OS_SIGNALS:",
    L"CHECK_JNI:",      L"RUNHPROF_HELP:",   L"RUNHPROF_OPTION:", L"DEBUG:",               L"FUTURE:"};

struct VmSpec {
    // Single-valued keys ("JVM_EXE:", "DESC:", ...) with their last value. They survive the
    // parse of a later file that does not set them.
    std::map<std::wstring, std::wstring> values;
    PropertyChecks propertyChecks;           // name -> expected value; the first line for a name wins
    std::vector<std::wstring> registryHints;  // in file order
    std::vector<std::wstring> pathHints;      // in file order

    std::wstring value(const std::wstring& key) const;
    std::wstring jvmExe() const { return value(L"JVM_EXE:"); }
};

// One file's bytes, one character per byte, CR LF or LF line ends. Clears the checks and
// both hint lists first, not the single values.
void parseVmSpecText(std::string_view bytes, VmSpec& spec);

// Characters up to U+0020 removed at both ends.
std::wstring trimmedText(std::wstring_view text);

}  // namespace velmora::launcher

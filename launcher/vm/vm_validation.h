#pragma once
// Running a candidate VM to learn whether it is acceptable: the Verify program against
// expected system properties, and the application's validator class.
#include <string>
#include <string_view>

#include "file_rules/vm_spec_file.h"  // PropertyChecks

namespace velmora::launcher {

class VmRecord;

// "*", a prefix before "*", a prefix before trailing dots, or the exact text.
bool matchPropertyValue(std::wstring_view actual, std::wstring_view expected);

// One header line, then one value per check in the checks' order; the last line serves
// the checks beyond it. When refused and `failure` is given, it says why (for the trail).
bool checkVerifyOutput(std::string_view outputBytes, const PropertyChecks& checks, std::wstring* failure = nullptr);

std::wstring verifyCommandLine(const std::wstring& executable, const std::wstring& archive, const PropertyChecks& checks);

// Verify.jar in specDirectory, else in its jvmspecs folder; empty when neither is a file.
std::wstring verifyArchivePath(const std::wstring& specDirectory);

// Gives the program 5000 ms in all; it is terminated when it takes longer. When refused and
// `failure` is given, it says why.
bool runVerify(const std::wstring& specDirectory, const std::wstring& executable, const PropertyChecks& checks,
               std::wstring* failure = nullptr);

// The validator class with the arguments "1" and `argument`; valid when it exits with 0.
bool runValidatorClass(const VmRecord& record, const std::wstring& argument);

inline constexpr unsigned kVerifyTimeoutMs = 5000;
inline constexpr const wchar_t* kValidatorClass = L"com.merrow.util.jvm.Validator";

}  // namespace velmora::launcher

#pragma once
// What makes a launched application behave like a native one, each turned on by a .kiv key:
// its taskbar identity, per-user JVM options, a heap sized from the machine's memory, and a
// launcher that keeps standard output to the program alone.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/launch_options.h"
#include "launcher/run_context.h"

namespace velmora::launcher {

struct UserOptionsLine {
    std::wstring option;  // set when the line is an option
    std::wstring problem;  // set when the line is malformed
};

// One line of a per-user options file, already decoded: empty, a '#' comment (nothing set),
// an option, or a problem. An option starts with '-', holds no control character and is not
// one that replaces the launcher's class path or main class.
UserOptionsLine parseUserOptionsLine(std::wstring_view line);

struct UserOptions {
    std::vector<std::wstring> options;
    std::wstring problem;  // "FILE:LINE: reason" for the first malformed line
};

// The file's text (UTF-8, with or without a byte order mark, LF or CR LF lines).
UserOptions parseUserOptionsText(std::string_view bytes, const std::wstring& path);

// The heap option for a share of memory, or nothing when an explicit maximum heap wins:
// -XX:MaxRAMPercentage=N for VMs of version 10 and later, else -Xmx in bytes of the physical
// memory, capped at kMaxHeap32Bit for a 32-bit VM.
inline constexpr uint64_t kMaxHeap32Bit = 1024ull * 1024 * 1024;
std::wstring heapShareOption(int percent, uint16_t vmMajorVersion, bool vm32Bit, uint64_t physicalMemory);

// Whether the options (as the VM gets them) already set the maximum heap.
bool setsMaximumHeap(const std::vector<std::wstring>& options);

class VmRecord;

// The Java a valid-VM list asks for, as a user reads it: "Java 17 or later" (17+), "Java 17"
// (17*), "Java 11.0.2"; "Java" when the list names no single version.
std::wstring neededJavaText(std::wstring_view vmList);
// Whether the page may be offered: an http or https address without spaces or control characters.
bool isWebPage(std::wstring_view page);
// Message 101, and with kiv.java.download.page the Java needed and where to get it.
[[noreturn]] void throwNoValidVm(const PropertySet& kiv);

// kiv.nl.java.option.java.heap.percent for the chosen VM: its heap option goes before the
// other VM options, unless those (or the heap key) set the maximum heap themselves.
void applyHeapShare(const PropertySet& kiv, const VmRecord& vm, LaunchOptions& options);

// kiv.splash for the chosen VM: Java's own -splash: option with the image's full path, first
// among the VM options, for VMs of version 6 and later when the image is there.
void applySplash(const PropertySet& kiv, const std::wstring& kivDirectory, const VmRecord& vm, LaunchOptions& options);

// Reads kiv.application.id and the per-user options file into the options; raises a
// TerminalError for a malformed options file.
void applyNativeAppKeys(const RunContext& context, LaunchOptions& options);

}  // namespace velmora::launcher

#pragma once
// One Java VM the launcher could start, and how it is started.
#include <cstdint>
#include <memory>
#include <string>

#include "common/unique_handle.h"
#include "file_rules/vm_version.h"
#include "launcher/launch_options.h"

namespace velmora::launcher {

class VmRecord {
public:
    virtual ~VmRecord() = default;

    // Composes the command line in this VM's form and starts it; waits when asked.
    virtual UniqueKernelHandle launch(const LaunchOptions& options, bool wait) const;
    virtual UniqueKernelHandle launchNoWait(const LaunchOptions& options) const { return launch(options, false); }
    // The executable this record starts, derived from home.
    virtual std::wstring executablePath() const = 0;
    // The full command line for these options (may refuse the VM with a TerminalError).
    virtual std::wstring composeCommandLine(const LaunchOptions& options) const = 0;
    virtual std::unique_ptr<VmRecord> clone() const = 0;

    VmVersion version;
    std::wstring home;
    std::wstring vendor;  // "Sun", "IBM" or "Microsoft"
    VmKind kind = VmKind::JDK;
    int32_t is64Bit = 0;  // only a 32-bit launcher under WOW64 marks 64-bit VMs
    LaunchOptions launchOptions;
};

// Current VMs (major version above 1) and every VM named by a path.
class StandardVm : public VmRecord {
public:
    std::wstring executablePath() const override;
    std::wstring composeCommandLine(const LaunchOptions& options) const override;
    std::unique_ptr<VmRecord> clone() const override { return std::make_unique<StandardVm>(*this); }
};

// Old VMs (major version 0 or 1) started through bin\jre.exe or bin\java.exe.
class ClassicVm : public VmRecord {
public:
    std::wstring executablePath() const override;
    std::wstring composeCommandLine(const LaunchOptions& options) const override;
    std::unique_ptr<VmRecord> clone() const override { return std::make_unique<ClassicVm>(*this); }
};

class MicrosoftVm : public ClassicVm {
public:
    MicrosoftVm();
    std::wstring executablePath() const override;
    // Refuses a jview.exe older than the minimum build; sets CLASSPATH for the VM to inherit.
    std::wstring composeCommandLine(const LaunchOptions& options) const override;
    std::unique_ptr<VmRecord> clone() const override { return std::make_unique<MicrosoftVm>(*this); }
};

// The record for a VM of this major version: Java 2 and later are standard VMs, older ones classic.
std::unique_ptr<VmRecord> recordForMajor(uint16_t major);

// The executable rule of StandardVm over a test for existence: bin\java.exe, else bin\javaw.exe,
// else java.exe in the home itself.
std::wstring standardExecutablePath(const std::wstring& home, bool (*fileExists)(const std::wstring&));

}  // namespace velmora::launcher

#pragma once
// The run object: the application's properties, where they came from, and the run's state.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "file_rules/property_set.h"
#include "launcher/launcher_command_line.h"
#include "launcher/run_context.h"
#include "launcher/vm/vm_record.h"

namespace velmora::launcher {

class FirstInstance;

class Launcher {
public:
    explicit Launcher(LauncherCommandLine commandLine);
    virtual ~Launcher() = default;
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    // Locates and validates the .kiv file, changes to its directory, sets the console title
    // and records the control-key state. Raises TerminalError or FileException.
    void build();

    // VM selection and launch; waits for the Java process when `wait`.
    virtual void run(bool wait);
    virtual bool reducesSignals() const { return false; }
    virtual void startService() {}

    const PropertySet& appProperties() const { return appProperties_; }
    const PropertySet& vmSpecProperties() const { return vmSpecProperties_; }
    const LauncherCommandLine& commandLine() const { return commandLine_; }
    const std::wstring& programPath() const { return programPath_; }
    const std::wstring& kivPath() const { return kivPath_; }
    const std::wstring& vmSpecPath() const { return vmSpecPath_; }
    const std::wstring& vmSpecDir() const { return vmSpecDir_; }
    const std::wstring& startDirectory() const { return startDirectory_; }
    bool vmSpecFound() const { return vmSpecFound_; }
    bool silent() const { return silent_; }
    void setSilent(bool silent) { silent_ = silent; }
    uint32_t exitCode() const { return exitCode_; }
    const VmRecord* chosenVm() const { return chosenVm_.get(); }

    // A single-instance application's first start: the VM learns its pipe, and it the VM.
    void setFirstInstance(FirstInstance* instance) { firstInstance_ = instance; }

    // What the lower layers read of this run, as a value.
    RunContext runContext() const;

protected:
    // Where run() keeps the started Java process; the service launcher shares it between threads.
    virtual void storeVmProcess(UniqueKernelHandle process) { vmProcess_ = std::move(process); }
    void setExitCode(uint32_t code) { exitCode_ = code; }

private:
    PropertySet appProperties_;
    PropertySet vmSpecProperties_;
    LauncherCommandLine commandLine_;
    std::wstring programPath_;
    std::wstring kivPath_;
    std::wstring kivDirectory_;
    std::wstring vmSpecPath_;
    std::wstring vmSpecDir_;
    std::wstring startDirectory_;
    std::unique_ptr<VmRecord> chosenVm_;
    UniqueKernelHandle vmProcess_;
    FirstInstance* firstInstance_ = nullptr;
    uint32_t exitCode_ = 0;
    bool silent_ = false;
    bool vmSpecFound_ = false;
};

// What makes a .kiv file usable: a main class, a VM or VM list, and a class path. One line
// per key that is missing or has no usable value; none when the file is usable.
std::vector<std::wstring> kivContentsProblems(const PropertySet& properties, const std::wstring& classPath);

// Whether the Ctrl key is held right now.
bool controlKeyDown();

}  // namespace velmora::launcher

#pragma once
// One instance per application and user session. A second start finds the first through a
// mutex of the session, hands its arguments and folder over a pipe and ends with 0; the
// first brings its VM's window forward and relays each hand-over to its Java program.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "common/unique_handle.h"
#include "launcher/instance_frame.h"

namespace velmora::launcher {

// The names for this application, this user and this session.
InstanceNames currentInstanceNames(const std::wstring& applicationId, const std::wstring& programPath);

// The running first instance: owns the mutex and both pipes, and serves second starts on a
// thread of its own from the moment it exists until it is destroyed.
class FirstInstance {
public:
    struct Channel;  // the pipes and the serving thread's state
    FirstInstance(UniqueKernelHandle mutex, const InstanceNames& names);
    ~FirstInstance();  // stops the thread, closes the pipes, then releases the mutex
    FirstInstance(const FirstInstance&) = delete;
    FirstInstance& operator=(const FirstInstance&) = delete;

    // The system property that names the Java program's pipe, as a VM option.
    std::wstring programPipeOption() const;
    // Once the VM runs: its main window comes forward for each hand-over, and none is
    // acknowledged once it has ended.
    void setVmProcess(HANDLE process);

private:
    UniqueKernelHandle mutex_;
    std::unique_ptr<Channel> channel_;
    UniqueKernelHandle thread_;
};

// Becomes the first instance (returned), or hands `handOver` to the running one (null
// returned: the caller ends with 0). A running instance that ends meanwhile makes this start
// the first. Raises TerminalError when the running one does not answer in time.
std::unique_ptr<FirstInstance> claimOrHandOver(const InstanceNames& names, const HandOver& handOver);

class Launcher;

// With kiv.single.instance on, after the .kiv file is read: true when this start handed its
// arguments and `startFolder` over and ends with 0; otherwise `first` holds the first
// instance (when the key is on) and the launcher knows it.
bool joinRunningInstance(Launcher& launcher, const std::wstring& startFolder, std::unique_ptr<FirstInstance>& first);

}  // namespace velmora::launcher

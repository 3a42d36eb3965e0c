#pragma once
// Fetching a Java VM for an installer built without one: download the VM pack, check its
// MD5 value, unpack it into the installer's VM directory and name the new java.exe.
#include <optional>
#include <string>

namespace velmora::launcher {

class Launcher;
class PropertySet;

// Which of the build options' two pack URLs (with its MD5 keys) to use:
// search option 11 takes the not-found URL, option 12 the direct URL.
enum class VmPackUrl { NotFound, Direct };

// What one provisioning run needs, read from the build options.
struct VmPackRequest {
    std::wstring url;
    std::wstring md5Applicable;   // the check runs only for exactly "true"
    std::wstring md5Value;
    std::wstring baseDirectory;   // the launcher's start directory
    bool silent = false;
};

// The request for `which` from jvmspecs.properties' keys.
VmPackRequest vmPackRequest(const PropertySet& buildOptions, VmPackUrl which,
                            const std::wstring& baseDirectory, bool silent);

// Runs download, check and unpacking, printing its own progress and failure lines unless
// silent. Returns the path of the unpacked java executable (empty when the unpacked VM has
// none where expected), or nullopt when no VM was provisioned. Never throws for network,
// checksum or archive failures.
std::optional<std::wstring> ProvisionVmPack(const VmPackRequest& request);

// The same for the launcher's build options, start directory and silent flag.
std::optional<std::wstring> ProvisionVmPack(const Launcher& launcher, VmPackUrl which);

}  // namespace velmora::launcher

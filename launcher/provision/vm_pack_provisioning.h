#pragma once
// Fetching a Java VM for an installer built without one: download the VM pack, check its
// MD5 value, unpack it into the installer's VM directory and name the new java.exe.
#include <optional>
#include <string>

#include "launcher/run_context.h"

namespace velmora::launcher {

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

// The same for the run's build options, start directory and silent flag.
std::optional<std::wstring> ProvisionVmPack(const RunContext& context, VmPackUrl which);

// Unpacks the pack's vm.zip, by way of an intermediate directory beside the pack, into the
// VM directory. False when the pack or its vm.zip cannot be read or an entry was refused
// or not written whole.
bool ExtractVmPack(const std::wstring& pack, const std::wstring& vmDirectory);

// Deletes vm.zip and vm.properties in the intermediate directory, then the directory when
// that leaves it empty.
void RemoveIntermediary(const std::wstring& intermediateDirectory);

// The path rules, apart from the file system: which directories exist is passed in.
// The URL's text after its last '/', without leading and trailing control characters and spaces.
std::wstring packFileName(const std::wstring& url);
// Below Windows\jvmspecs, else Windows_Pure_64_Bit\jvmspecs; empty when neither exists.
std::wstring downloadDestination(const std::wstring& base, const std::wstring& fileName, bool windowsSpecsExists,
                                 bool pureSpecsExists);
// Windows\resource\jre, else Windows_Pure_64_Bit\resource\jre; empty when neither folder exists.
std::wstring vmDirectoryOf(const std::wstring& base, bool windowsExists, bool pureExists);
// "downloadIntermediary" beside the downloaded pack.
std::wstring intermediateDirectoryOf(const std::wstring& destination);

}  // namespace velmora::launcher

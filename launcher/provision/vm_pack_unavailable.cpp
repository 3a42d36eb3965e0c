// Builds without the VM pack provisioning sources link this instead: a pack is never
// provisioned, so the selection flow goes on without a VM.
#include "launcher/provision/vm_pack_provisioning.h"

namespace velmora::launcher {

std::optional<std::wstring> ProvisionVmPack(const Launcher& /*launcher*/, VmPackUrl /*which*/) { return std::nullopt; }

}  // namespace velmora::launcher

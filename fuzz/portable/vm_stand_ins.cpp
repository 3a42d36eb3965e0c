#include "launcher/vm/installed_vms.h"
#include "launcher/vm/vm_record.h"
#include "launcher/vm_process.h"
#include "stand_in.h"

namespace velmora::launcher {

InstalledVmList& installedVms(int64_t) { notInNativeBuild("installedVms"); }
bool compareVmRank(const VmRecord&, const VmRecord&, bool) { notInNativeBuild("compareVmRank"); }
UniqueKernelHandle VmRecord::launch(const LaunchOptions&, bool) const { notInNativeBuild("VmRecord::launch"); }
CapturedRun captureProcessOutput(const std::wstring&, const std::wstring&, DWORD) {
    notInNativeBuild("captureProcessOutput");
}

}  // namespace velmora::launcher

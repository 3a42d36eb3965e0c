#include "launcher/vm/vm_validation.h"
#include "stand_in.h"

namespace velmora::launcher {

bool runValidatorClass(const VmRecord&, const std::wstring&) { notInNativeBuild("runValidatorClass"); }

}  // namespace velmora::launcher

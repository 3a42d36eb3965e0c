#include "launcher/properties/properties_file.h"
#include "stand_in.h"

namespace velmora::launcher {

std::string readFileBytes(const std::wstring&, const std::wstring&) { notInNativeBuild("readFileBytes"); }

}  // namespace velmora::launcher

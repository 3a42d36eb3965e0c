#include "launcher/file_system.h"
#include "stand_in.h"

namespace velmora::launcher {

bool exists(const std::wstring&) { notInNativeBuild("exists"); }
bool isDirectory(const std::wstring&) { notInNativeBuild("isDirectory"); }
bool isFile(const std::wstring&) { notInNativeBuild("isFile"); }
std::wstring normalisePath(const std::wstring&) { notInNativeBuild("normalisePath"); }
std::wstring fullPath(const std::wstring&, bool) { notInNativeBuild("fullPath"); }

}  // namespace velmora::launcher

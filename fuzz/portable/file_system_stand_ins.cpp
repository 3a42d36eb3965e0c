#include "launcher/file_system.h"
#include "stand_in.h"

namespace velmora {

bool fileExists(const std::wstring&) { notInNativeBuild("fileExists"); }
bool isDirectory(const std::wstring&) { notInNativeBuild("isDirectory"); }
bool isFile(const std::wstring&) { notInNativeBuild("isFile"); }

}  // namespace velmora

namespace velmora::launcher {

std::wstring normalisePath(const std::wstring&) { notInNativeBuild("normalisePath"); }
std::wstring fullPath(const std::wstring&, bool) { notInNativeBuild("fullPath"); }

}  // namespace velmora::launcher

#include "selfextract/log_line.h"
#include "selfextract/system_paths.h"
#include "stand_in.h"

namespace ruvo {

std::wstring ModulePath(HMODULE) { notInNativeBuild("ModulePath"); }
std::wstring FirstMatch(const std::wstring&) { notInNativeBuild("FirstMatch"); }
bool ReadWholeFile(const std::wstring&, std::string&) { notInNativeBuild("ReadWholeFile"); }
void WriteStandardOutputLine(const char*) { notInNativeBuild("WriteStandardOutputLine"); }
void LogLine(const char*, ...) { notInNativeBuild("LogLine"); }

}  // namespace ruvo

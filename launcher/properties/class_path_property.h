#pragma once
#include <string>

#include "file_rules/property_set.h"

namespace velmora::launcher {

// kiv.class.path with its first "$ENV_CLASSPATH$" replaced by the expanded CLASSPATH
// variable of the environment snapshot (exact name match).
std::wstring getClassPath(const PropertySet& set);

}  // namespace velmora::launcher

#include "launcher/properties/class_path_property.h"

#include "launcher/environment_snapshot.h"

namespace velmora::launcher {

std::wstring getClassPath(const PropertySet& set) {
    std::wstring value = set.getProperty(L"kiv.class.path");
    if (value.find(L"$ENV_CLASSPATH$") == std::wstring::npos) return value;
    return substituteClassPath(value, EnvironmentSnapshot::current().getExpanded(L"CLASSPATH"));
}

}  // namespace velmora::launcher

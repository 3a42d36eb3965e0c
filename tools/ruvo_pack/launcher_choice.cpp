#include "tools/ruvo_pack/launcher_choice.h"

#include "common/text_convert.h"

namespace ruvo_pack {
namespace {

std::string upper(std::string_view text) { return velmora::asciiUpper(text); }

// The first .exe directly in `folder` (upper case, with its slash) in listing order.
std::string firstExe(const std::vector<std::string>& names, const std::string& folder) {
    std::string first;
    for (const auto& name : names) {
        std::string key = upper(name);
        if (key.size() <= folder.size() + 4 || key.compare(0, folder.size(), folder) != 0 || !key.ends_with(".EXE") ||
            key.find('/', folder.size()) != std::string::npos)
            continue;
        if (first.empty() || key < upper(first)) first = name;
    }
    return first;
}

}  // namespace

std::string chosenLauncher(const std::vector<std::string>& names, const std::string& installerName) {
    if (!installerName.empty()) {
        const std::string preferred = upper("Windows/" + installerName + ".exe");
        for (const auto& name : names)
            if (upper(name) == preferred) return name;
    }
    std::string chosen = firstExe(names, "WINDOWS_PURE_64_BIT/");
    return chosen.empty() ? firstExe(names, "WINDOWS/") : chosen;
}

}  // namespace ruvo_pack

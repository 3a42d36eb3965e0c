#include "launcher/vm/registry_views.h"

#include "launcher/wow64.h"

namespace velmora::launcher {

std::vector<RegistryView> registryViews(ViewOrder order) {
    switch (order) {
        case ViewOrder::WideFirst:
            return {{KEY_WOW64_64KEY, registryViewLabel(KEY_WOW64_64KEY)},
                    {KEY_WOW64_32KEY, registryViewLabel(KEY_WOW64_32KEY)}};
        case ViewOrder::OwnThenWide: {
            std::vector<RegistryView> views{{0, registryViewLabel(0)}};
            if (isWow64()) views.push_back({KEY_WOW64_64KEY, registryViewLabel(KEY_WOW64_64KEY)});
            return views;
        }
        case ViewOrder::Shared:
            break;
    }
    return {{0, L""}};
}

const wchar_t* registryViewLabel(REGSAM access) {
    const bool wide = access & KEY_WOW64_64KEY ? true : access & KEY_WOW64_32KEY ? false : sizeof(void*) == 8;
    return wide ? L" (64-bit view)" : L" (32-bit view)";
}

}  // namespace velmora::launcher

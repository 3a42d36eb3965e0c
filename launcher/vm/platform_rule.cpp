#include "launcher/vm/platform_rule.h"

#include "common/decimal_text.h"

namespace velmora::launcher {
namespace {

const wchar_t* markText(bool marked) { return marked ? L"marked 64-bit" : L"not marked 64-bit"; }

}  // namespace

PlatformRule platformRule(int64_t platform, PlatformSearch search) {
    switch (platform) {
        case 0:
            return {true, true, true};
        case 1:
            return {true, true, false};
        case 2:
            return {true, false, true};
        case 3:
            return {false, true, false};
        default:
            return search == PlatformSearch::List ? PlatformRule{true, true, true} : PlatformRule{false, false, true};
    }
}

std::wstring platformRuleText(int64_t platform, PlatformSearch search) {
    const PlatformRule rule = platformRule(platform, search);
    std::wstring text = L"platform " + decimalText(platform) + L": ";
    const bool list = search == PlatformSearch::List;
    if (!rule.admitsMarked && !rule.admitsUnmarked) return text + L"no VM (the value is not one of 0 to 3)";
    if (rule.admitsMarked != rule.admitsUnmarked)
        return text + (list ? L"only VMs " : L"only the first VM ") + markText(rule.admitsMarked);
    if (list) return text + L"all VMs, those " + markText(rule.prefersMarked) + L" ranked higher";
    return text + L"the first VM " + markText(rule.prefersMarked) +
           (rule.prefersMarked ? L", else the first other" : L", else the first marked");
}

std::wstring platformRefusal(int64_t platform) {
    return L"platform " + decimalText(platform) + L" admits only VMs " +
           markText(platformRule(platform, PlatformSearch::List).admitsMarked);
}

}  // namespace velmora::launcher

#include "setup/setup_options.h"

#include "common/argument_quoting.h"
#include "common/text_convert.h"

namespace quillsetup {

bool parseSetupOptions(const std::vector<std::wstring>& arguments, SetupOptions& out, std::string& problem) {
    SetupOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == L"-i" || argument == L"-I") {
            const std::wstring mode = hasValue ? velmora::asciiLower(arguments[++i]) : L"";
            if (mode == L"silent") {
                options.silent = true;
            } else if (mode == L"console") {
                options.console = true;
            } else if (mode != L"gui") {
                problem = "-i takes silent, console or gui";
                return false;
            }
        } else if (argument == L"--install-dir" || argument.starts_with(L"--install-dir=")) {
            std::wstring value = argument.size() > 13 ? argument.substr(14) : hasValue ? arguments[++i] : L"";
            if (value.empty()) {
                problem = "--install-dir needs a folder";
                return false;
            }
            options.installDir = value;
        } else if (argument == L"--uninstall") {
            options.action = SetupAction::Uninstall;
        } else if (argument == L"--elevated") {
            options.elevated = true;
        } else if ((argument == L"--cleanup" || argument == L"--cleanup-installed") && hasValue) {
            options.action = SetupAction::Cleanup;
            options.cleanupWholeTree = argument == L"--cleanup";
            options.cleanupFolder = arguments[++i];
        } else if (argument == L"--wait" && hasValue) {
            options.waitHandles.push_back(std::wcstoull(arguments[++i].c_str(), nullptr, 10));
        } else {
            problem = "unknown option \"" + velmora::wideToUtf8(argument) + "\"";
            return false;
        }
    }
    out = std::move(options);
    return true;
}

std::wstring elevatedRunParameters(const SetupOptions& options, const std::wstring& fullInstallDir) {
    std::wstring parameters;
    if (options.action == SetupAction::Uninstall) parameters += L"--uninstall ";
    if (options.silent) parameters += L"-i silent ";
    if (options.console) parameters += L"-i console ";
    if (!fullInstallDir.empty()) parameters += L"--install-dir " + velmora::quoteArgument(fullInstallDir) + L" ";
    return parameters + L"--elevated";
}

}  // namespace quillsetup

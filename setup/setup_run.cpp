#include "setup/setup_run.h"

#include "common/text_convert.h"
#include "common/unique_handle.h"
#include "setup/install_plan.h"
#include "setup/setup_log.h"
#include "setup/setup_options.h"
#include "setup/setup_settings.h"

namespace quillsetup {
namespace {

std::wstring ownPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring folderOf(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool readWholeFile(const std::wstring& path, std::string& bytes) {
    velmora::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() || (::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                             read == bytes.size());
}

}  // namespace

int runSetup(HINSTANCE, const std::vector<std::wstring>& arguments) {
    SetupOptions options;
    std::string problem;
    if (!parseSetupOptions(arguments, options, problem)) {
        logLine("Setup failed: " + problem);
        return exitCodeOf(Outcome::Failed);
    }
    const std::wstring settingsPath = folderOf(ownPath()) + L"\\setup.settings";
    std::string bytes;
    SetupSettings settings;
    if (!readWholeFile(settingsPath, bytes)) {
        logLine(L"Setup failed: cannot read " + settingsPath);
        return exitCodeOf(Outcome::Failed);
    }
    if (!parseSetupSettings(bytes, settings, problem)) {
        logLine("Setup failed: " + velmora::wideToUtf8(settingsPath) + ": " + problem);
        return exitCodeOf(Outcome::Failed);
    }
    setLogName(settings.appId);
    logLine(L"Setup of " + settings.name + L" " + settings.version + L" (" + settings.appId + L")");
    return exitCodeOf(Outcome::Done);
}

}  // namespace quillsetup

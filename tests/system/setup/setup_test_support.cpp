#include "tests/system/setup/setup_test_support.h"

#include <objbase.h>
#include <propkey.h>
#include <propsys.h>
#include <shlobj.h>

#include <atomic>

#include "common/text_convert.h"
#include "tests/support/registry_keys.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wine_desktop.h"
#include "tests/support/test_paths.h"

namespace setup_test {

using namespace velmora::test;

namespace {

std::wstring tempFolder() {
    wchar_t base[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, base);
    std::wstring path(base, length);
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    for (size_t cut = path.find(L'\\', 3); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1))
        ::CreateDirectoryW(path.substr(0, cut).c_str(), nullptr);
    writeFileBytes(path, bytes);
}

void copyFile(const std::wstring& from, const std::wstring& to) {
    if (!::CopyFileW(from.c_str(), to.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy " << velmora::wideToUtf8(from) << " to " << velmora::wideToUtf8(to) << ": error "
                      << ::GetLastError();
}

}  // namespace

App uniqueApp(const std::wstring& stem) {
    static std::atomic<unsigned> counter{0};
    App app;
    app.name = stem + std::to_wstring(::GetCurrentProcessId() % 10000) + L"x" + std::to_wstring(counter++);
    app.id = L"Acme." + app.name;
    return app;
}

WorkingFolder layOut(const App& app, const std::wstring& version) {
    static std::atomic<unsigned> counter{0};
    WorkingFolder folder;
    do {
        folder.path = tempFolder() + L"\\I" + std::to_wstring(::GetTickCount64() % 100000000) +
                      std::to_wstring(counter++);
    } while (!::CreateDirectoryW(folder.path.c_str(), nullptr));
    folder.setup = folder.path + L"\\Windows_Pure_64_Bit\\setup.exe";
    ::CreateDirectoryW((folder.path + L"\\Windows_Pure_64_Bit").c_str(), nullptr);
    copyFile(distProgram(L"quillsetup.exe"), folder.setup);
    const std::string v = velmora::wideToUtf8(version);
    writeFile(folder.path + L"\\Windows_Pure_64_Bit\\setup.settings",
              "# as the packer writes it\napp.id=" + velmora::wideToUtf8(app.id) +
                  "\napp.name=" + velmora::wideToUtf8(app.name) + "\napp.version=" + v +
                  "\napp.vendor=" + velmora::wideToUtf8(app.vendor) + "\napp.launcher=" +
                  velmora::wideToUtf8(app.launcher()) + "\ninstall.scope=" + (app.perMachine ? "machine" : "user") +
                  "\nshortcut.startMenu=true\nlaunch.afterInstall=false\n" + app.extraSettings);
    ::CreateDirectoryW((folder.path + L"\\app").c_str(), nullptr);
    copyFile(testBinFolder() + L"\\setup_test_app.exe", folder.path + L"\\app\\" + app.launcher());
    writeFile(folder.path + L"\\app\\" + app.name + L".kiv", "kiv.application.id=" + velmora::wideToUtf8(app.id) + "\n");
    writeFile(folder.path + L"\\app\\lib\\core-" + version + L".jar", "core " + v);
    writeFile(folder.path + L"\\app\\lib\\common.jar", "common " + v);
    writeFile(folder.path + L"\\sea_loc", velmora::wideToUtf8(tempFolder()) + "\\Downloads\\Setup.exe" + std::string(1, '\0'));
    return folder;
}

ChildResult runSetup(const WorkingFolder& folder, const std::wstring& arguments, const ChildOptions& options) {
    startWineDesktopDetached();
    ChildOptions run = options;
    run.workingDirectory = folder.path;
    return runChild(inQuotes(folder.setup) + (arguments.empty() ? L"" : L" " + arguments), run);
}

DWORD install(const App& app, const std::wstring& version, const std::wstring& arguments) {
    const WorkingFolder folder = layOut(app, version);
    const ChildResult result = runSetup(folder, arguments);
    EXPECT_TRUE(result.started) << describe(result);
    EXPECT_TRUE(goneSoon(folder.path)) << "the working folder stays: " << velmora::wideToUtf8(folder.path);
    return result.exitCode;
}

ChildResult uninstall(const App& app, bool silent) {
    const std::wstring command =
        registryValue(rootOf(app), uninstallKey(app), silent ? L"QuietUninstallString" : L"UninstallString");
    EXPECT_FALSE(command.empty()) << "no uninstall command for " << velmora::wideToUtf8(app.id);
    return runChild(command);
}

bool goneSoon(const std::wstring& path) {
    for (int i = 0; i < 100; ++i) {
        if (!exists(path)) return true;
        ::Sleep(100);
    }
    return false;
}

std::wstring shellFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) result = path;
    ::CoTaskMemFree(path);
    return result;
}

std::wstring userInstallFolder(const App& app) { return shellFolder(FOLDERID_LocalAppData) + L"\\Programs\\" + app.name; }
std::wstring installFolder(const App& app) {
    return app.perMachine ? shellFolder(FOLDERID_ProgramFiles) + L"\\" + app.name : userInstallFolder(app);
}
std::wstring uninstallKey(const App& app) { return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + app.id; }
HKEY rootOf(const App& app) { return app.perMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring registryValue(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS) return {};
    wchar_t data[2048] = {};
    DWORD type = 0, size = sizeof data - sizeof(wchar_t);
    const LSTATUS status =
        ::RegQueryValueExW(handle, name.empty() ? nullptr : name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    ::RegCloseKey(handle);
    if (status != ERROR_SUCCESS) return {};
    if (type == REG_DWORD) return std::to_wstring(*reinterpret_cast<DWORD*>(data));
    return data;
}

bool registryKeyExists(HKEY root, const std::wstring& key) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS) return false;
    ::RegCloseKey(handle);
    return true;
}

std::string regQuery(const std::wstring& fullKey, const std::wstring& name) {
    const ChildResult r = runChild(L"reg query " + inQuotes(fullKey) + (name.empty() ? L" /ve" : L" /v " + inQuotes(name)));
    // The line of the value: "    NAME    TYPE    DATA".
    const std::string wanted = name.empty() ? "" : velmora::wideToUtf8(name);
    size_t start = 0;
    while (start < r.standardOutput.size()) {
        size_t end = r.standardOutput.find('\n', start);
        if (end == std::string::npos) end = r.standardOutput.size();
        std::string line = r.standardOutput.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const size_t type = line.find("    REG_");
        if (type == std::string::npos) continue;
        std::string head = line.substr(0, type);
        head.erase(0, head.find_first_not_of(' '));
        if (name.empty() || velmora::equalsIgnoringAsciiCase(head, wanted)) return line.substr(type + 4);
    }
    return {};
}

std::wstring startMenuLink(const App& app) {
    return shellFolder(app.perMachine ? FOLDERID_CommonPrograms : FOLDERID_Programs) + L"\\" + app.name + L".lnk";
}
std::wstring desktopLink(const App& app) {
    return shellFolder(app.perMachine ? FOLDERID_PublicDesktop : FOLDERID_Desktop) + L"\\" + app.name + L".lnk";
}

LinkInfo readLink(const std::wstring& path) {
    LinkInfo info;
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    IPropertyStore* store = nullptr;
    wchar_t text[MAX_PATH * 2] = {};
    int icon = 0;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        info.read = true;
        if (SUCCEEDED(link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH))) info.target = text;
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 2))) info.workingDirectory = text;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH * 2, &icon))) info.iconPath = text;
        PROPVARIANT value;
        PropVariantInit(&value);
        if (SUCCEEDED(link->QueryInterface(IID_IPropertyStore, reinterpret_cast<void**>(&store))) &&
            SUCCEEDED(store->GetValue(PKEY_AppUserModel_ID, &value)) && value.vt == VT_LPWSTR)
            info.appUserModelId = value.pwszVal;
        ::PropVariantClear(&value);
    }
    if (store) store->Release();
    if (file) file->Release();
    if (link) link->Release();
    if (com) ::CoUninitialize();
    // Wine's link object neither writes nor reads the property store block: there the id is
    // taken from the file, the one VT_LPWSTR value of the AppUserModel format's storage.
    if (info.read && info.appUserModelId.empty() && ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        const std::string bytes = fileText(path);
        const std::string format("\x55\x28\x4C\x9F\x79\x9F\x39\x4B\xA8\xD0\xE1\xD4\x2D\xE1\xD5\xF3", 16);
        const size_t at = bytes.find("1SPS" + format);
        // size, id 5, reserved, type 0x1F, padding, length in characters.
        if (at != std::string::npos && at + 20 + 17 <= bytes.size() && bytes[at + 24] == 5 && bytes[at + 29] == 0x1F) {
            const uint32_t length = *reinterpret_cast<const uint32_t*>(bytes.data() + at + 33);
            if (length > 0 && at + 37 + length * 2 <= bytes.size())
                info.appUserModelId.assign(reinterpret_cast<const wchar_t*>(bytes.data() + at + 37), length - 1);
        }
    }
    return info;
}

void forget(const App& app) {
    for (const std::wstring& folder : {installFolder(app), installFolder(app) + L".setup-new", installFolder(app) + L".setup-old"})
        removeTree(folder);
    removeKeyTree(rootOf(app), uninstallKey(app));
    ::DeleteFileW(startMenuLink(app).c_str());
    ::DeleteFileW(desktopLink(app).c_str());
}

std::string fileText(const std::wstring& path) { return exists(path) ? readFileBytes(path) : std::string(); }
bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace setup_test

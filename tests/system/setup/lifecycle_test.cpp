// Install, upgrade, reinstall, a refused downgrade, uninstall and install again, per user and
// per machine, through the real engine; what each step leaves, read back.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "common/text_convert.h"
#include "tests/support/temp_folder.h"
#include "tests/system/setup/setup_test_support.h"

namespace setup_test {
namespace {

using velmora::test::describe;
using velmora::wideToUtf8;

class Lifecycle : public ::testing::TestWithParam<bool> {};

// What an installed version leaves: files, entry (through the API and reg.exe), shortcut.
void expectInstalled(const App& app, const std::wstring& version) {
    const std::wstring folder = installFolder(app);
    SCOPED_TRACE(wideToUtf8(folder) + " " + wideToUtf8(version));
    EXPECT_EQ(fileText(folder + L"\\lib\\core-" + version + L".jar"), "core " + wideToUtf8(version));
    EXPECT_EQ(fileText(folder + L"\\lib\\common.jar"), "common " + wideToUtf8(version));
    EXPECT_TRUE(exists(folder + L"\\" + app.launcher()));
    EXPECT_TRUE(exists(folder + L"\\uninstall.exe"));
    for (const std::wstring& leftover : {folder + L".setup-new", folder + L".setup-old"}) EXPECT_FALSE(exists(leftover));

    const HKEY root = rootOf(app);
    const std::wstring key = uninstallKey(app);
    const std::wstring uninstaller = L"\"" + folder + L"\\uninstall.exe\" --uninstall";
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"DisplayName", app.name},
        {L"DisplayVersion", version},
        {L"Publisher", app.vendor},
        {L"DisplayIcon", folder + L"\\" + app.launcher()},
        {L"InstallLocation", folder},
        {L"UninstallString", uninstaller},
        {L"QuietUninstallString", uninstaller + L" -i silent"},
        {L"NoModify", L"1"},
        {L"NoRepair", L"1"},
    };
    const std::wstring fullKey = std::wstring(app.perMachine ? L"HKLM\\" : L"HKCU\\") + key;
    for (const auto& [name, expected] : values) {
        EXPECT_EQ(registryValue(root, key, name), expected) << wideToUtf8(name);
        const std::string type = std::string(name == std::wstring(L"NoModify") || name == std::wstring(L"NoRepair")
                                                 ? "REG_DWORD    0x1"
                                                 : "REG_SZ    " + wideToUtf8(expected));
        EXPECT_EQ(regQuery(fullKey, name), type) << wideToUtf8(name);
    }
    EXPECT_EQ(regQuery(fullKey, L"EstimatedSize").substr(0, 13), "REG_DWORD    ");
    EXPECT_GT(std::stoul(wideToUtf8(registryValue(root, key, L"EstimatedSize"))), 0u);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    EXPECT_EQ(registryValue(root, key, L"InstallDate").substr(0, 4), std::to_wstring(now.wYear));
    EXPECT_EQ(registryValue(root, key, L"InstallDate").size(), 8u);

    const LinkInfo link = readLink(startMenuLink(app));
    ASSERT_TRUE(link.read) << wideToUtf8(startMenuLink(app));
    EXPECT_EQ(link.target, folder + L"\\" + app.launcher());
    EXPECT_EQ(link.workingDirectory, folder);
    EXPECT_EQ(link.iconPath, folder + L"\\" + app.launcher());
    EXPECT_EQ(link.appUserModelId, app.id);
}

void expectNothingButUserData(const App& app, const std::wstring& userFile) {
    const std::wstring folder = installFolder(app);
    EXPECT_TRUE(goneSoon(folder + L"\\uninstall.exe"));
    EXPECT_EQ(fileText(userFile), "mine");
    std::vector<std::wstring> left;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (data.cFileName[0] != L'.') left.push_back(data.cFileName);
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    EXPECT_EQ(left, std::vector<std::wstring>{L"notes.txt"});
    EXPECT_FALSE(registryKeyExists(rootOf(app), uninstallKey(app)));
    EXPECT_FALSE(exists(startMenuLink(app)));
    EXPECT_FALSE(registryKeyExists(rootOf(app), L"Software\\Classes\\" + app.id + L".tdoc" + velmora::asciiLower(app.name)));
    EXPECT_FALSE(registryKeyExists(rootOf(app), L"Software\\Classes\\.tdoc" + velmora::asciiLower(app.name)));
}

TEST_P(Lifecycle, InstallUpgradeReinstallDowngradeUninstallInstall) {
    App app = uniqueApp(GetParam() ? L"Machine" : L"User");
    app.perMachine = GetParam();
    app.extraSettings = "association=.tdoc" + wideToUtf8(app.name) + "|Test document\n";
    forget(app);
    const std::wstring folder = installFolder(app);
    const std::wstring userFile = folder + L"\\notes.txt";
    const std::wstring optionsFolder = shellFolder(FOLDERID_RoamingAppData) + L"\\Acme\\" + app.name;
    const std::wstring optionsFile = optionsFolder + L"\\" + app.name + L".options";
    const std::wstring dataFile = shellFolder(FOLDERID_LocalAppData) + L"\\Acme\\" + app.name + L"\\state.bin";

    const struct {
        const wchar_t* step;
        bool uninstall;
        const wchar_t* version;
        DWORD code;
        const wchar_t* installed;  // the version installed afterwards, or null
    } steps[] = {
        {L"install 1.0", false, L"1.0", 0, L"1.0"},
        {L"upgrade to 1.1", false, L"1.1", 0, L"1.1"},
        {L"reinstall 1.1", false, L"1.1", 0, L"1.1"},
        {L"1.0 over 1.1", false, L"1.0", 1638, L"1.1"},
        {L"uninstall", true, nullptr, 0, nullptr},
        {L"install again", false, L"1.0", 0, L"1.0"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(wideToUtf8(step.step));
        if (step.uninstall) {
            const auto result = uninstall(app);
            EXPECT_EQ(result.exitCode, step.code) << describe(result);
            expectNothingButUserData(app, userFile);
        } else {
            EXPECT_EQ(install(app, step.version), step.code);
        }
        if (step.installed) expectInstalled(app, step.installed);
        if (step.installed && std::wstring(step.installed) == L"1.1")
            EXPECT_FALSE(exists(folder + L"\\lib\\core-1.0.jar"));  // replaced, not beside
        if (std::wstring(step.step) == L"install 1.0") {
            // What the user adds: a file in the program's folder, the options file, data.
            velmora::test::writeFileBytes(userFile, "mine");
            ::SHCreateDirectoryExW(nullptr, optionsFolder.c_str(), nullptr);
            velmora::test::writeFileBytes(optionsFile, "-Xmx2g\n");
            ::SHCreateDirectoryExW(nullptr, (shellFolder(FOLDERID_LocalAppData) + L"\\Acme\\" + app.name).c_str(), nullptr);
            velmora::test::writeFileBytes(dataFile, "data");
            const std::wstring classes = L"Software\\Classes\\";
            const std::wstring extension = L".tdoc" + velmora::asciiLower(app.name);
            EXPECT_EQ(registryValue(rootOf(app), classes + extension, L""), app.id + extension);
            EXPECT_EQ(registryValue(rootOf(app), classes + app.id + extension + L"\\shell\\open\\command", L""),
                      L"\"" + folder + L"\\" + app.launcher() + L"\" \"%1\"");
        }
        EXPECT_EQ(fileText(userFile), step.step == std::wstring(L"install 1.0") ? "mine" : exists(userFile) ? "mine" : "");
        if (std::wstring(step.step) != L"install 1.0") {
            EXPECT_EQ(fileText(userFile), "mine");
            EXPECT_EQ(fileText(optionsFile), "-Xmx2g\n");
            EXPECT_EQ(fileText(dataFile), "data");
        }
    }
    ASSERT_EQ(uninstall(app).exitCode, 0u);
    goneSoon(folder + L"\\uninstall.exe");
    forget(app);
    velmora::test::removeTree(optionsFolder);
    velmora::test::removeTree(shellFolder(FOLDERID_LocalAppData) + L"\\Acme\\" + app.name);
}

INSTANTIATE_TEST_SUITE_P(Scopes, Lifecycle, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PerMachine" : "PerUser"; });

}  // namespace
}  // namespace setup_test

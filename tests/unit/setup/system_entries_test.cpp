#include "setup/system_entries.h"

#include <gtest/gtest.h>

namespace quillsetup {
namespace {

SetupSettings tool() {
    SetupSettings s;
    s.appId = L"Acme.Tool";
    s.name = L"Tool";
    s.version = L"1.2";
    s.vendor = L"Acme";
    s.launcher = L"Tool.exe";
    return s;
}

TEST(SystemEntries, UninstallEntryNamesTheUninstallerQuoted) {
    const RegistryKeyValues entry = uninstallEntry(tool(), L"C:\\Program Files\\Tool", 2048, dateText(2026, 3, 7));
    EXPECT_EQ(entry.path, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme.Tool");
    auto value = [&](const wchar_t* name) -> const RegistryValue& {
        for (const RegistryValue& v : entry.values)
            if (v.name == name) return v;
        static RegistryValue none{L"missing"};
        return none;
    };
    EXPECT_EQ(value(L"UninstallString").text, L"\"C:\\Program Files\\Tool\\uninstall.exe\" --uninstall");
    EXPECT_EQ(value(L"QuietUninstallString").text, L"\"C:\\Program Files\\Tool\\uninstall.exe\" --uninstall -i silent");
    EXPECT_EQ(value(L"InstallDate").text, L"20260307");
    EXPECT_EQ(value(L"EstimatedSize").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value(L"EstimatedSize").number, 2048u);
    EXPECT_EQ(value(L"DisplayIcon").text, L"C:\\Program Files\\Tool\\Tool.exe");
    EXPECT_EQ(entry.values.size(), 11u);
}

TEST(SystemEntries, AssociationOpensTheFileWithTheLauncher) {
    const auto keys = associationKeys(tool(), {L".tdoc", L""}, L"C:\\P\\Tool\\Tool.exe");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0].path, L"Software\\Classes\\Acme.Tool.tdoc");
    EXPECT_EQ(keys[0].values[0].text, L"Tool tdoc");  // no description given
    EXPECT_EQ(keys[1].values[0].text, L"\"C:\\P\\Tool\\Tool.exe\",0");
    EXPECT_EQ(keys[2].path, L"Software\\Classes\\Acme.Tool.tdoc\\shell\\open\\command");
    EXPECT_EQ(keys[2].values[0].text, L"\"C:\\P\\Tool\\Tool.exe\" \"%1\"");
    EXPECT_EQ(keys[3].path, L"Software\\Classes\\.tdoc");
    EXPECT_EQ(keys[3].values[0].text, L"Acme.Tool.tdoc");
    EXPECT_EQ(keys[4].values[0].name, L"Acme.Tool.tdoc");
}

TEST(SystemEntries, FormatTextFillsItsPlaces) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* out;
    } cases[] = {
        {L"%1 Setup", L"Tool Setup"}, {L"%2 (%1)", L"x.jar (Tool)"}, {L"100%% %1%", L"100% Tool%"},
        {L"%3 %1%1", L"%3 ToolTool"}, {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(formatText(c.pattern, L"Tool", L"x.jar"), c.out) << c.pattern;
}

}  // namespace
}  // namespace quillsetup

#include "setup/setup_settings.h"

#include <gtest/gtest.h>

namespace quillsetup {
namespace {

const std::string kMinimal = "app.id=Acme.Tool\napp.name=Tool\napp.version=1.2\napp.launcher=Tool.exe\n";

TEST(SetupSettings, ReadsEveryKeyAndDefaults) {
    SetupSettings s;
    std::string problem;
    ASSERT_TRUE(parseSetupSettings("\xEF\xBB\xBF# made by the packer\r\n" + kMinimal +
                                       "app.vendor=Ac\xC3\xA9me\r\n\r\ninstall.scope=machine\nshortcut.desktop=true\n"
                                       "shortcut.startMenu=false\nlaunch.afterInstall=false\nfuture.key=ignored\n"
                                       "association=.TXT|Text file\nassociation=.log|\nassociation=.txt|Plain text\n",
                                   s, problem))
        << problem;
    EXPECT_EQ(s.appId, L"Acme.Tool");
    EXPECT_EQ(s.vendor, L"Ac\u00e9me");
    EXPECT_TRUE(s.perMachine);
    EXPECT_TRUE(s.desktopShortcut);
    EXPECT_FALSE(s.startMenuShortcut);
    EXPECT_FALSE(s.launchAfterInstall);
    // Extensions compare without case; the last description of one wins.
    ASSERT_EQ(s.associations.size(), 2u);
    EXPECT_EQ(s.associations[0].extension, L".log");
    EXPECT_EQ(s.associations[0].description, L"");
    EXPECT_EQ(s.associations[1].extension, L".txt");
    EXPECT_EQ(s.associations[1].description, L"Plain text");

    SetupSettings defaults;
    ASSERT_TRUE(parseSetupSettings(kMinimal + "app.version=2\n", defaults, problem));
    EXPECT_EQ(defaults.version, L"2");  // the last of a key given twice
    EXPECT_FALSE(defaults.perMachine);
    EXPECT_TRUE(defaults.startMenuShortcut);
    EXPECT_FALSE(defaults.desktopShortcut);
    EXPECT_TRUE(defaults.launchAfterInstall);
}

TEST(SetupSettings, RefusesWhatCannotBeInstalled) {
    const struct {
        std::string extra;
        std::string problem;
    } cases[] = {
        {"app.id=\n", "app.id \"\" is not a valid identity"},
        {"app.id=.Acme\n", "not a valid identity"},
        {"app.id=Acme Tool\n", "not a valid identity"},
        {"app.id=" + std::string(129, 'a') + "\n", "not a valid identity"},
        {"app.name=..\n", "cannot be a folder name"},
        {"app.name=a\\b\n", "cannot be a folder name"},
        {"app.name=CON\n", "cannot be a folder name"},
        {"app.name=Tool.\n", "cannot be a folder name"},
        {"app.version=1.2.3.4.5\n", "is not 1-4 numbers"},
        {"app.version=1.65536\n", "is not 1-4 numbers"},
        {"app.version=1..2\n", "is not 1-4 numbers"},
        {"app.launcher=..\\evil.exe\n", "is not a file name"},
        {"install.scope=everyone\n", "install.scope must be user or machine"},
        {"shortcut.desktop=yes\n", "shortcut.desktop must be true or false"},
        {"association=txt|Text\n", "association must be"},
        {"association=.t t|Text\n", "association must be"},
        {"just words\n", "a line without '='"},
    };
    for (const auto& c : cases) {
        SetupSettings s;
        std::string problem;
        EXPECT_FALSE(parseSetupSettings(kMinimal + c.extra, s, problem)) << c.extra;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.extra << " gave: " << problem;
    }
    SetupSettings s;
    std::string problem;
    EXPECT_FALSE(parseSetupSettings("app.id=A\napp.name=A\napp.version=1\n", s, problem));
    EXPECT_EQ(problem, "app.launcher is missing");
}

TEST(SetupSettings, WrittenSettingsReadBackTheSame) {
    SetupSettings s, back;
    std::string problem;
    ASSERT_TRUE(parseSetupSettings(kMinimal + "app.vendor=V\ninstall.scope=machine\nassociation=.a|A b\n", s, problem));
    ASSERT_TRUE(parseSetupSettings(composeSetupSettings(s), back, problem)) << problem;
    EXPECT_EQ(composeSetupSettings(back), composeSetupSettings(s));
    EXPECT_TRUE(back.perMachine);
    ASSERT_EQ(back.associations.size(), 1u);
    EXPECT_EQ(back.associations[0].description, L"A b");
}

TEST(SetupSettings, VersionsCompareNumerically) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        int order;
    } cases[] = {
        {L"1.0", L"1", 0}, {L"1.0.0.0", L"1", 0}, {L"1.10", L"1.9", 1}, {L"1.9", L"1.10", -1},
        {L"2", L"1.99.99.99", 1}, {L"0.0.0.1", L"0", 1}, {L"65535.1", L"65535.0", 1}, {L"01.2", L"1.2", 0},
    };
    for (const auto& c : cases) {
        VersionNumber a, b;
        ASSERT_TRUE(parseVersionNumber(c.a, a)) << c.a;
        ASSERT_TRUE(parseVersionNumber(c.b, b)) << c.b;
        const int order = compareVersions(a, b);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " vs " << c.b;
    }
    VersionNumber v;
    for (const wchar_t* bad : {L"", L".", L"1.", L".1", L"1.-2", L"1.2a", L"99999", L"1 .2"})
        EXPECT_FALSE(parseVersionNumber(bad, v)) << bad;
}

TEST(SetupSettings, FileNamesThatAreOneName) {
    for (const wchar_t* good : {L"My App", L"Tool.exe", L"a", L"COM10", L"CONSOLE", L"x..y"})
        EXPECT_TRUE(isPlainFileName(good)) << good;
    for (const wchar_t* bad : {L"", L".", L"..", L"a/b", L"a:b", L"a*", L"nul.txt", L"LPT1", L"com3.log", L" x", L"x ",
                               L"x."})
        EXPECT_FALSE(isPlainFileName(bad)) << bad;
}

}  // namespace
}  // namespace quillsetup

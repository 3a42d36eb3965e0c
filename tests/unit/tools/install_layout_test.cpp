// Application mode's two output types: the options of an installing installer, the settings
// file the setup engine reads, the payload of each type, the manifests and version texts it
// ships, and the folder check's reading of an installing payload.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "tests/support/zip_writer.h"
#include "tests/unit/tools/pe_builder.h"
#include "tests/support/temp_folder.h"
#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/application_pack.h"
#include "tools/ruvo_pack/install_options.h"
#include "tools/ruvo_pack/installer_check.h"
#include "tools/ruvo_pack/manifest_text.h"
#include "tools/ruvo_pack/pe_resources.h"
#include "tools/ruvo_pack/version_resource.h"

namespace fs = std::filesystem;
using namespace ruvo_pack;
using namespace tool_test;
using namespace velmora::test;
using Texts = std::vector<std::string>;

namespace {

const Texts kBase = {"--input", "in", "--main-jar", "app.jar", "--name", "My App"};

Texts with(Texts extra) {
    Texts all = kBase;
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
}

TEST(InstallOptions, TakesAndJudgesEachOption) {
    const struct {
        Texts extra;
        const char* error;  // "" accepted
    } cases[] = {
        {{"--type", "run"}, ""},
        {{"--type", "portable"}, "--type takes install or run, not 'portable'"},
        {{"--scope", "all"}, "--scope takes user or machine"},
        {{"--scope"}, "--scope needs a value"},
        {{"--app-id", "Acme.My_App-2"}, ""},
        {{"--app-id", ".Acme"}, "may neither start nor end with a dot"},
        {{"--app-id", "Acme."}, "may neither start nor end with a dot"},
        {{"--app-id", "Acme App"}, "may hold only letters A-Z, digits"},
        {{"--app-id", "\xc3\xa4pp"}, "may hold only letters A-Z, digits"},
        {{"--app-id", std::string(129, 'a')}, "at most 128"},
        {{"--app-id", "a", "--app-id", "b"}, "--app-id is given twice"},
        {{"--file-association", "txt=Text file", "--file-association", ".log"}, ""},
        {{"--file-association", ".TXT", "--file-association", "txt"}, "--file-association .txt is given twice"},
        {{"--file-association", "=Text"}, "needs a name after the dot"},
        {{"--file-association", ".tar.gz"}, "may hold only letters"},
        {{"--file-association", "a b"}, "may hold only letters"},
        {{"--file-association", ".EXE"}, "belongs to Windows itself"},
        {{"--file-association", "lnk"}, "belongs to Windows itself"},
        {{"--file-association", ".txt=a|b"}, "the description holds '|'"},
        {{"--file-association", ".txt=a\tb"}, "the description holds a control character"},
        {{"--file-association", "." + std::string(33, 'x')}, "longer than 32 characters"},
        // What only the setup engine does has no place in an installer that unpacks and runs.
        {{"--type", "run", "--app-id", "Acme.App"}, ""},
        {{"--type", "run", "--desktop-shortcut"}, "--desktop-shortcut is for an installer that installs"},
        {{"--no-launch", "--type", "run"}, "--no-launch is for an installer that installs"},
        {{"--type", "run", "--scope", "user"}, "--scope is for an installer that installs"},
        {{"--type", "run", "--file-association", ".txt"}, "--file-association is for an installer that installs"},
    };
    for (const auto& c : cases) {
        const ApplicationRequest request = parseApplicationArguments(with(c.extra));
        EXPECT_NE(request.error.find(c.error), std::string::npos) << c.extra.front() << ": " << request.error;
        if (!*c.error) EXPECT_EQ(request.error, "");
    }
    const InstallOptions o =
        parseApplicationArguments(with({"--scope", "machine", "--desktop-shortcut", "--no-start-menu", "--no-launch",
                                        "--file-association", "txt=Text file", "--file-association", ".Log"}))
            .options.install;
    EXPECT_EQ(o.type, OutputType::Install);  // the default
    EXPECT_EQ(o.scope, InstallScope::Machine);
    EXPECT_TRUE(o.desktopShortcut);
    EXPECT_FALSE(o.startMenu);
    EXPECT_FALSE(o.launchAfterInstall);
    EXPECT_EQ(o.associations, (std::vector<FileAssociation>{{".txt", "Text file"}, {".Log", ""}}));
}

TEST(InstallOptions, DefaultAppIdKeepsLettersAndDigitsOfVendorAndName) {
    const struct {
        const char* name;
        std::optional<std::string> vendor;
        const char* id;
    } cases[] = {
        {"My App", "Acme, Inc.", "AcmeInc.MyApp"},
        {"My App 2", std::nullopt, "MyApp2"},
        {"My App", "\xc3\x84\xc3\x96", "MyApp"},       // nothing of the vendor left
        {"\xe6\x97\xa5\xe6\x9c\xac", "Acme", ""},      // nothing of the name left: no id
        {"R&D-Tool_v1.0", "A.B", "AB.RDToolv10"},
    };
    for (const auto& c : cases) EXPECT_EQ(defaultAppId(c.name, c.vendor), c.id) << c.name;
}

TEST(SetupSettings, TheWrittenTextIsWhatTheEngineReads) {
    InstallOptions options;
    options.scope = InstallScope::Machine;
    options.desktopShortcut = true;
    options.associations = {{".txt", "Text file"}, {".log", ""}};
    const std::string text = setupSettingsText({"Acme.MyApp", "My App", "2.1", "Acme, Inc.", "My App.exe", options});
    EXPECT_EQ(text,
              "# Written by ruvo-pack: the setup engine's settings (UTF-8, key=value).\n"
              "app.id=Acme.MyApp\napp.name=My App\napp.version=2.1\napp.vendor=Acme, Inc.\napp.launcher=My App.exe\n"
              "install.scope=machine\nshortcut.startMenu=true\nshortcut.desktop=true\nlaunch.afterInstall=true\n"
              "association=.txt|Text file\nassociation=.log|\n");
    std::string launcher;
    EXPECT_TRUE(checkSetupSettings(text, &launcher).empty());
    EXPECT_EQ(launcher, "My App.exe");
}

TEST(SetupSettings, ProblemsNameTheirLines) {
    const std::string good = "app.id=A\napp.name=A\napp.version=1\napp.launcher=A.exe\ninstall.scope=user\n"
                             "shortcut.startMenu=true\nshortcut.desktop=false\nlaunch.afterInstall=true\n";
    const struct {
        std::string text;
        int line;
        bool error;
        const char* says;  // null: no problem
    } cases[] = {
        {good, 0, true, nullptr},
        {"# comment\n\r\n" + good + "app.future=1\n", 11, false, "unknown key app.future: the engine ignores it"},
        {good + "app.version=1.2.3.4.5\n", 9, true, "app.version=1.2.3.4.5"},
        {good + "app.version=70000\n", 9, true, "app.version=70000"},
        {good + "app.id=a b\n", 9, true, "app.id=a b: may hold only"},
        {good + "install.scope=everyone\n", 9, true, "the engine knows user and machine"},
        {good + "shortcut.desktop=yes\n", 9, true, "the engine knows true and false"},
        {good + "app.launcher=bin/A.exe\n", 9, true, "without a folder"},
        {good + "app.launcher=A.jar\n", 9, true, "not the name of an .exe file"},
        {good + "app.name=A/B\n", 9, true, "cannot name a Windows folder"},
        {good + "association=.txt\n", 9, true, "needs .ext|Description"},
        {good + "association=.txt|a\nassociation=.TXT|b\n", 10, true, "given twice"},
        {good + "association=.exe|x\n", 9, true, "belongs to Windows itself"},
        {good + "no equals sign\n", 9, true, "no '='"},
        {"app.name=A\napp.version=1\napp.launcher=A.exe\ninstall.scope=user\nshortcut.startMenu=true\n"
         "shortcut.desktop=false\nlaunch.afterInstall=true\n",
         0, true, "app.id is missing"},
    };
    for (const auto& c : cases) {
        const auto problems = checkSetupSettings(c.text);
        if (!c.says) {
            EXPECT_TRUE(problems.empty()) << problems.front().text;
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << c.says;
        EXPECT_EQ(problems[0].line, c.line) << c.says;
        EXPECT_EQ(problems[0].error, c.error) << c.says;
        EXPECT_NE(problems[0].text.find(c.says), std::string::npos) << problems[0].text;
    }
}

const std::string kStubManifest =
    "<?xml version=\"1.0\"?><assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
    "<assemblyIdentity type=\"win32\" name=\"Velmora.Setup\" version=\"1.0.0.0\"/>"
    "<description>Velmora Setup</description>"
    "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
    "version=\"6.0.0.0\"/></dependentAssembly></dependency>"
    "<trustInfo><security><requestedPrivileges><requestedExecutionLevel level='highestAvailable' uiAccess=\"false\"/>"
    "</requestedPrivileges></security></trustInfo></assembly>";

TEST(Manifest, ReplacesItsOwnIdentityDescriptionAndLevelOnly) {
    const struct {
        std::string manifest;
        bool asInvoker;
        std::string expected;  // empty: refused
    } cases[] = {
        {kStubManifest, true,
         "<?xml version=\"1.0\"?><assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
         "<assemblyIdentity type=\"win32\" name=\"Acme.MyApp\" version=\"1.0.0.0\"/>"
         "<description>R&amp;D &lt;App&gt; Setup</description>"
         "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
         "version=\"6.0.0.0\"/></dependentAssembly></dependency>"
         "<trustInfo><security><requestedPrivileges><requestedExecutionLevel level='asInvoker' uiAccess=\"false\"/>"
         "</requestedPrivileges></security></trustInfo></assembly>"},
        {"<assembly>\n<assemblyIdentity\n  type=\"win32\"\n  name = \"X\"/><requestedExecutionLevel level=\"highestAvailable\"/>",
         false, "<assembly>\n<assemblyIdentity\n  type=\"win32\"\n  name = \"Acme.MyApp\"/><requestedExecutionLevel level=\"highestAvailable\"/>"},
        {"<assembly><assemblyIdentity typename=\"a\" name=\"X\"/></assembly>", true,
         "<assembly><assemblyIdentity typename=\"a\" name=\"Acme.MyApp\"/></assembly>"},  // no level: none asked
        {"<assembly><dependency><assemblyIdentity name=\"Microsoft.Windows.Common-Controls\"/></dependency></assembly>",
         true, ""},
        {"<assembly><assemblyIdentity name=\"X\"/><requestedExecutionLevel/></assembly>", true, ""},
    };
    for (const auto& c : cases) {
        std::string manifest = c.manifest, error;
        EXPECT_EQ(rebrandManifest(manifest, "Acme.MyApp", "R&D <App> Setup", c.asInvoker, error), !c.expected.empty())
            << c.manifest;
        EXPECT_EQ(manifest, c.expected.empty() ? c.manifest : c.expected);
    }
}

// A kit program as shipped: its version texts and manifest carry the kit's names.
std::string kitProgram(bool pe64) {
    ResourceTree tree;
    VersionStamp v;
    v.texts = {{u"CompanyName", u"Velmora"},        {u"ProductName", u"Velmora start-up kit"},
               {u"InternalName", u"quillrun"},      {u"FileDescription", u"Velmora Java launcher"},
               {u"LegalCopyright", u"Copyright (C) 2026 Velmora"}};
    tree.put({ResourceName::number(kTypeVersion), ResourceName::number(1), 0x409, 0, newVersionResource(v)});
    tree.put({ResourceName::number(kTypeManifest), ResourceName::number(1), 0, 0,
              Bytes(kStubManifest.begin(), kStubManifest.end())});
    const Bytes bytes = buildPe(stubRecipe(pe64, tree)).bytes;
    return std::string(bytes.begin(), bytes.end());
}

// Every text of every resource, as UTF-16 and as bytes, lower-cased.
std::string resourceTexts(const Bytes& image) {
    ResourceTree tree;
    std::string error, texts;
    EXPECT_TRUE(readResources(image, tree, error)) << error;
    for (const auto& e : tree.entries()) {
        for (size_t i = 0; i + 1 < e.data.size(); i += 2) texts += static_cast<char>(e.data[i]);
        texts += '\n';
        texts.append(e.data.begin(), e.data.end());
        texts += '\n';
    }
    return velmora::asciiLower(texts);
}

struct Kit {
    TempFolder scratch;
    Kit() {
        writeAll(scratch / "kit/i686/ruvo.exe", kitProgram(false));
        for (const char* program : {"quillrun.exe", "quillrunw.exe", "quillsetup.exe"})
            writeAll(scratch / (std::string("kit/x64/") + program), kitProgram(true));
        velmora::test::ZipMember manifest, mainClass;
        manifest.name = "META-INF/MANIFEST.MF";
        manifest.data = "Main-Class: a.Main\n";
        mainClass.name = "a/Main.class";
        mainClass.data = "x";
        writeAll(scratch / "in/app.jar", velmora::test::zipArchive({manifest, mainClass}));
        writeAll(scratch / "in/lib/dep.jar", velmora::test::zipArchive({}));
        writeAll(scratch / "in/tools/helper.exe", "MZ");
        writeAll(scratch / "jre/bin/java.exe", programOf(3));
    }
    // 0 and the kept payload's files, '/'-separated and sorted, or the exit code and nothing.
    int pack(const Texts& extra, const std::string& out, Texts& files) {
        Texts arguments = {"--input", (scratch / "in").string(), "--main-jar", "app.jar", "--name", "My App",
                           "--runtime-image", (scratch / "jre").string(), "--out", (scratch / out).string(),
                           "--keep-payload", (scratch / ("keep-" + out)).string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        testing::internal::CaptureStderr();
        const int code = runApplicationMode(arguments, scratch / "kit/x64");
        said = testing::internal::GetCapturedStderr();
        files.clear();
        if (code == 0)
            for (const auto& e : fs::recursive_directory_iterator(scratch / ("keep-" + out)))
                if (e.is_regular_file()) files.push_back(fs::relative(e.path(), scratch / ("keep-" + out)).generic_string());
        std::sort(files.begin(), files.end());
        return code;
    }
    std::string said;
};

TEST(ApplicationLayout, EachTypeLaysOutItsPayload) {
    Kit kit;
    const struct {
        Texts extra;
        const char* out;
        Texts files;
        Texts kivLines;  // lines the .kiv holds
        Texts kivLacks;
    } cases[] = {
        {{}, "Install.exe",
         {"Windows_Pure_64_Bit/setup.exe", "Windows_Pure_64_Bit/setup.kiv", "Windows_Pure_64_Bit/setup.settings",
          "app/My App.exe", "app/My App.kiv", "app/app.jar", "app/lib/dep.jar", "app/runtime/bin/java.exe",
          "app/tools/helper.exe"},
         {"kiv.application.id=MyApp\n", "kiv.user.dir=\n", "kiv.class.path=app.jar;lib\\\\dep.jar\n"},
         {"kiv.installer.cleanup"}},
        {{"--type", "run", "--vendor", "Acme"}, "Run.exe",
         {"Windows_Pure_64_Bit/My App.exe", "Windows_Pure_64_Bit/My App.kiv", "Windows_Pure_64_Bit/app.jar",
          "Windows_Pure_64_Bit/lib/dep.jar", "Windows_Pure_64_Bit/runtime/bin/java.exe",
          "Windows_Pure_64_Bit/tools/helper.exe"},
         {"kiv.application.id=Acme.MyApp\n", "kiv.user.dir=.\n", "kiv.installer.cleanup=true\n"},
         {}},
    };
    for (const auto& c : cases) {
        Texts files;
        ASSERT_EQ(kit.pack(c.extra, c.out, files), 0) << kit.said;
        EXPECT_EQ(files, c.files) << c.out;
        const std::string kiv = readAll(kit.scratch / ("keep-" + std::string(c.out)) /
                                        (c.files.size() == 9 ? "app/My App.kiv" : "Windows_Pure_64_Bit/My App.kiv"));
        for (const auto& line : c.kivLines) EXPECT_NE(kiv.find(line), std::string::npos) << c.out << ": " << line << kiv;
        for (const auto& key : c.kivLacks) EXPECT_EQ(kiv.find(key), std::string::npos) << c.out << ": " << key;
    }
    const std::string settings = readAll(kit.scratch / "keep-Install.exe/Windows_Pure_64_Bit/setup.settings");
    EXPECT_NE(settings.find("app.id=MyApp\napp.name=My App\napp.version=1.0.0.0\napp.vendor=\napp.launcher=My App.exe\n"
                            "install.scope=user\n"),
              std::string::npos)
        << settings;
    EXPECT_NE(readAll(kit.scratch / "keep-Install.exe/Windows_Pure_64_Bit/setup.kiv").find("kiv.installer.cleanup=true"),
              std::string::npos);
}

TEST(ApplicationLayout, ManifestLevelAndVersionTextsOfWhatShips) {
    Kit kit;
    const struct {
        Texts extra;
        const char* out;
        const char* level;  // of the installer's manifest
        std::u16string company, copyright;
    } cases[] = {
        {{}, "User.exe", "asInvoker", u"", u""},
        {{"--type", "run"}, "Run.exe", "asInvoker", u"", u""},
        {{"--scope", "machine", "--vendor", "Acme"}, "Machine.exe", "highestAvailable", u"Acme", u"Copyright (C) Acme"},
        {{"--vendor", "Acme", "--copyright", "(c) 2027 Acme"}, "Own.exe", "asInvoker", u"Acme", u"(c) 2027 Acme"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        Texts files;
        ASSERT_EQ(kit.pack(c.extra, c.out, files), 0) << kit.said;
        const std::string installer = readAll(kit.scratch / c.out);
        const Bytes stub(installer.begin(), installer.end());
        std::vector<Bytes> shipped = {stub};
        const bool run = c.extra.size() == 2 && c.extra[1] == "run";
        for (const std::string& f : run ? Texts{"Windows_Pure_64_Bit/My App.exe"}
                                 : Texts{"Windows_Pure_64_Bit/setup.exe", "app/My App.exe"}) {
            const std::string bytes = readAll(kit.scratch / ("keep-" + std::string(c.out)) / f);
            shipped.emplace_back(bytes.begin(), bytes.end());
        }
        for (size_t i = 0; i < shipped.size(); ++i) {
            const std::string texts = resourceTexts(shipped[i]);
            for (const char* kitName : {"velmora", "quillrun", "quillsetup", "ruvo"})
                EXPECT_EQ(texts.find(kitName), std::string::npos) << "program " << i << " still says " << kitName;
            ResourceTree tree;
            std::string error;
            ASSERT_TRUE(readResources(shipped[i], tree, error));
            const Bytes& version = tree.ofType(ResourceName::number(kTypeVersion)).front()->data;
            EXPECT_EQ(versionText(version, u"CompanyName"), c.company);
            EXPECT_EQ(versionText(version, u"LegalCopyright"), c.copyright);
            EXPECT_EQ(versionText(version, u"InternalName"), u"My App");
            const Bytes& manifest = tree.ofType(ResourceName::number(kTypeManifest)).front()->data;
            const std::string text(manifest.begin(), manifest.end());
            // The installer's manifest as the scope needs; the launcher never asks; the engine
            // keeps its own (the kit's here), as it elevates itself.
            const bool engine = shipped.size() == 3 && i == 1;
            EXPECT_NE(text.find(std::string("level='") + (i == 0 ? c.level : engine ? "highestAvailable" : "asInvoker") + "'"),
                      std::string::npos)
                << text;
        }
        // The engine's description says what it is; the installed launcher's is the name.
        if (shipped.size() == 3) {
            ResourceTree engine;
            std::string error;
            const std::string bytes = readAll(kit.scratch / ("keep-" + std::string(c.out)) / "Windows_Pure_64_Bit/setup.exe");
            ASSERT_TRUE(readResources(Bytes(bytes.begin(), bytes.end()), engine, error));
            EXPECT_EQ(versionText(engine.ofType(ResourceName::number(kTypeVersion)).front()->data, u"FileDescription"),
                      u"My App Setup");
        }
    }
}

TEST(ApplicationLayout, InstallingNeedsTheEngineAndAnInstallableName) {
    Kit kit;
    fs::remove(kit.scratch / "kit/x64/quillsetup.exe");
    Texts files;
    EXPECT_EQ(kit.pack({}, "A.exe", files), 2);
    EXPECT_NE(kit.said.find("no setup engine at "), std::string::npos) << kit.said;
    EXPECT_EQ(std::count(kit.said.begin(), kit.said.end(), '\n'), 1);
    EXPECT_FALSE(fs::exists(kit.scratch / "A.exe"));
    EXPECT_EQ(kit.pack({"--type", "run"}, "B.exe", files), 0) << kit.said;  // run type needs no engine

    EXPECT_EQ(kit.pack({"--type", "run", "--name", "\xe6\x97\xa5"}, "C.exe", files), 2);
    EXPECT_NE(kit.said.find("give --app-id"), std::string::npos) << kit.said;
}

// An installing payload as the folder check reads it.
TEST(InstallLayoutCheck, FindsWhatKeepsTheEngineFromInstalling) {
    const std::string settings = "app.id=A\napp.name=A\napp.version=1\napp.launcher=A.exe\ninstall.scope=user\n"
                                 "shortcut.startMenu=true\nshortcut.desktop=false\nlaunch.afterInstall=true\n";
    velmora::test::ZipMember mainClass, manifest;
    mainClass.name = "a/Main.class";
    mainClass.data = "x";
    manifest.name = "META-INF/MANIFEST.MF";
    manifest.data = "Manifest-Version: 1.0\r\nClass-Path: lib/dep.jar gone.jar /opt/x.jar ../../up.jar\r\n  C:/w.jar\r\n\r\n";
    const std::string jar = velmora::test::zipArchive({mainClass, manifest});
    const std::string plainJar = velmora::test::zipArchive({mainClass});
    const std::string kiv = "kiv.nl.java.launcher.main.class=a.Main\nkiv.class.path=app.jar\nkiv.nl.valid.vm.list=ALL\n";
    const struct {
        std::vector<std::pair<std::string, std::string>> files;
        Texts findings;  // formatted, in order; warnings and errors only
    } cases[] = {
        {{{"Windows_Pure_64_Bit/setup.exe", "MZ"}, {"Windows_Pure_64_Bit/setup.settings", settings},
          {"app/A.exe", "MZ"}, {"app/A.kiv", kiv}, {"app/app.jar", jar}, {"app/lib/dep.jar", jar}},
         {"app/app.jar: warning: its manifest's Class-Path names gone.jar: app/gone.jar, which is not in the payload",
          "app/app.jar: warning: its manifest's Class-Path names /opt/x.jar: an absolute path",
          "app/app.jar: warning: its manifest's Class-Path names ../../up.jar: outside the payload",
          "app/app.jar: warning: its manifest's Class-Path names C:/w.jar: an absolute path"}},
        {{{"Windows_Pure_64_Bit/setup.exe", "MZ"}, {"Windows_Pure_64_Bit/other.exe", "MZ"},
          {"Windows_Pure_64_Bit/setup.settings", settings + "install.scope=all\n"}, {"Windows/x.txt", ""},
          {"app/A.kiv", kiv}},
         {"Windows: error: the self-extractor starts a program of Windows/ before the setup engine",
          "Windows_Pure_64_Bit: error: holds 2 programs",
          "Windows_Pure_64_Bit/setup.settings:9: error: install.scope=all: the engine knows user and machine",
          "Windows_Pure_64_Bit/setup.settings: error: app.launcher=A.exe: no such file in app/"}},
        {{{"Windows_Pure_64_Bit/setup.exe", "MZ"}, {"Windows_Pure_64_Bit/setup.settings", settings}},
         {".: error: no app/ folder beside Windows_Pure_64_Bit/"}},
        {{{"Windows_Pure_64_Bit/setup.exe", "MZ"}, {"Windows_Pure_64_Bit/setup.settings", settings},
          {"app/A.exe", "MZ"}, {"app/A.kiv", kiv}, {"app/app.jar", plainJar}, {"app/Uninstall.Exe", "MZ"},
          {"app/lib/uninstall.files", ""}},
         {"app/Uninstall.Exe: error: the setup engine writes a file of this name into the install folder itself"}},
        {{{"Windows_Pure_64_Bit/setup.exe", "MZ"}, {"Windows_Pure_64_Bit/setup.settings", settings},
          {"app/A.exe", "MZ"}},
         {"app: error: no A.kiv beside A.exe"}},
    };
    for (const auto& c : cases) {
        TempFolder scratch;
        for (const auto& [name, bytes] : c.files) writeAll(scratch / name, bytes);
        Texts findings;
        for (const auto& f : checkInstallerFolder(scratch.path(), {"Some Installer (1)"}).findings)
            if (f.severity != Severity::Note) findings.push_back(formatFinding(f));
        ASSERT_EQ(findings.size(), c.findings.size()) << ::testing::PrintToString(findings);
        for (size_t i = 0; i < findings.size(); ++i)
            EXPECT_EQ(findings[i].rfind(c.findings[i], 0), 0u) << findings[i] << "\nexpected " << c.findings[i];
    }
}

}  // namespace

// ruvo-pack's application mode: its options, the texts it derives from them, and the requests
// it refuses before writing anything.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/zip_writer.h"
#include "tests/support/temp_folder.h"
#include "tools/ruvo_pack/application_heap.h"
#include "tools/ruvo_pack/application_input.h"
#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/application_pack.h"
#include "tools/ruvo_pack/jar_listing.h"

namespace fs = std::filesystem;
using namespace ruvo_pack;
using namespace velmora::test;
using Texts = std::vector<std::string>;

namespace {

velmora::test::ZipMember member(const std::string& name, const std::string& data, uint16_t method = 0) {
    velmora::test::ZipMember m;
    m.name = name;
    m.data = data;
    m.method = method;
    return m;
}

TEST(ApplicationMode, ManifestMainClassFromTheMainSection) {
    const struct {
        const char* manifest;
        std::optional<std::string> mainClass;
    } cases[] = {
        {"Manifest-Version: 1.0\r\nMain-Class: org.apache.tools.ant.launch.Launcher\r\n\r\n",
         "org.apache.tools.ant.launch.Launcher"},
        {"main-class:   com.example.Main  \n", "com.example.Main"},            // any case, spaces trimmed
        {"Main-Class: com.example.very.long.packa\n ge.Main\n", "com.example.very.long.package.Main"},  // continued
        {"Manifest-Version: 1.0\rMain-Class: a.B\r", "a.B"},
        {"Manifest-Version: 1.0\n\nName: x/\nMain-Class: not.This\n", std::nullopt},  // only the main section
        {"Main-Class:\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(manifestMainClass(c.manifest), c.mainClass) << c.manifest;
}

TEST(ApplicationMode, JavaVersionAsValidVmList) {
    const struct {
        const char* version;
        const char* list;  // null: refused
    } cases[] = {
        {"17+", "17+"}, {"17", "17*"}, {"17*", "17*"}, {"1.8", "1.8"}, {"1.8+", "1.8+"},
        {"11.0.2", "11.0.2"}, {"1.8.0.20", "1.8.0.20"}, {"[11,17)", nullptr}, {">=11", nullptr},
        {"17-21", nullptr}, {"", nullptr}, {"+", nullptr}, {"17.", nullptr}, {"11.0.2.1", nullptr},
    };
    for (const auto& c : cases) {
        std::string list, error;
        EXPECT_EQ(validVmListOf(c.version, list, error), c.list != nullptr) << c.version;
        if (c.list) EXPECT_EQ(list, c.list) << c.version;
        else EXPECT_NE(error.find("cannot express"), std::string::npos) << error;
    }
}

TEST(ApplicationMode, OptionTextsSplitAsJpackageSplitsThem) {
    const struct {
        const char* text;
        Texts split;
    } cases[] = {
        {"-Xmx1g -Dx=1", {"-Xmx1g", "-Dx=1"}},
        {"  -Dant.home=/usr/share/ant  ", {"-Dant.home=/usr/share/ant"}},
        {"\"-Dname=two words\" '-Dq=it\"s'", {"-Dname=two words", "-Dq=it\"s"}},
        {"-Dempty=\"\" \"\"", {"-Dempty=", ""}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitOptionText(c.text), c.split) << c.text;
}

TEST(ApplicationMode, ArgumentFilesHoldOneOptionPerLine) {
    EXPECT_EQ(argumentFileTokens("# packing Ant\r\n--input lib\r\n\r\n--name   Ant Run  \n--no-console\n"
                                 "--java-options \"-Dx=a b\"\n--arguments -f build.xml"),
              (Texts{"--input", "lib", "--name", "Ant Run", "--no-console", "--java-options", "-Dx=a b", "--arguments",
                     "-f build.xml"}));
    TempFolder scratch;
    writeAll(scratch / "opts", "--main-jar app.jar\n--name App\n");
    Texts expanded;
    std::string error;
    ASSERT_TRUE(expandArgumentFiles({"--input", "in", "@" + (scratch / "opts").string(), "--console"}, expanded, error));
    EXPECT_EQ(expanded, (Texts{"--input", "in", "--main-jar", "app.jar", "--name", "App", "--console"}));
    expanded.clear();
    EXPECT_FALSE(expandArgumentFiles({"@" + (scratch / "missing").string()}, expanded, error));
    EXPECT_NE(error.find("cannot read the argument file"), std::string::npos);
    EXPECT_TRUE(isApplicationMode(expanded = {"--main-jar", "a.jar"}));
    EXPECT_FALSE(isApplicationMode({"--stub", "s.exe", "--", "--input"}));
}

TEST(ApplicationMode, KivTextForEachKindOfInput) {
    ApplicationKiv base{"Ant Run", "org.apache.tools.ant.launch.Launcher", {"ant-launcher.jar", "lib/ant.jar"}, {}, {}, "",
                        "ALL"};
    const std::string head = "# Written by ruvo-pack in application mode; pack the folder again after editing.\n"
                             "kiv.application.name=Ant Run\n"
                             "kiv.nl.java.launcher.main.class=org.apache.tools.ant.launch.Launcher\n"
                             "kiv.class.path=ant-launcher.jar;lib\\\\ant.jar\n";
    const std::string tail = "kiv.user.dir=.\nkiv.nl.java.arguments.plain=true\n";
    // Heap lines even when empty: the installer's -jvmxms and -jvmxmx replace lines only.
    EXPECT_EQ(applicationKivText(base), head + "kiv.nl.valid.vm.list=ALL\n"
                                               "kiv.nl.java.option.java.heap.size.initial=\n"
                                               "kiv.nl.java.option.java.heap.size.max=\n" + tail);

    ApplicationKiv runtime = base;
    runtime.currentVm = "runtime/bin/java.exe";
    runtime.javaOptions = {"-Dant.home=C:\\Program Files\\Ant", "-Xmx1g", "-Dq=a\"b"};
    runtime.arguments = {"-f", "my build.xml"};
    runtime.heapMax = "1024m";
    EXPECT_EQ(applicationKivText(runtime),
              head + "kiv.nl.current.vm=runtime\\\\bin\\\\java.exe\n"
                     "kiv.nl.java.option.java.heap.size.initial=\n"
                     "kiv.nl.java.option.java.heap.size.max=1024m\n"
                     "kiv.nl.java.option.additional=\"-Dant.home=C:\\\\Program Files\\\\Ant\" -Xmx1g \"-Dq=a\\\\\"b\"\n" +
                  tail + "kiv.nl.java.arguments.fixed=-f \"my build.xml\"\n");

    EXPECT_EQ(escapedKivValue("\xc3\xa4 \xe6\x97\xa5 \xf0\x9f\x98\x80"), "\\u00e4 \\u65e5 \\ud83d\\ude00");
    EXPECT_EQ(escapedKivValue(" a\tb "), "\\u0020a\\u0009b\\u0020");
    EXPECT_EQ(escapedKivValue("C:\\x"), "C:\\\\x");
}

TEST(ApplicationMode, NativeApplicationKeys) {
    const struct {
        Texts arguments;
        std::optional<std::string> vendor;
        const char* lines;
    } cases[] = {
        {{}, std::nullopt, "kiv.user.options=App\\\\App.options\n"},
        {{"--user-options"}, "Acme Corp", "kiv.user.options=Acme Corp\\\\App\\\\App.options\n"},
        {{"--no-user-options", "--max-heap-percent", "25"}, "Acme", "kiv.nl.java.option.java.heap.percent=25\n"},
        {{"--max-heap-percent", "90", "--no-user-options", "--user-options"}, std::nullopt,
         "kiv.user.options=App\\\\App.options\nkiv.nl.java.option.java.heap.percent=90\n"},
        {{"--no-user-options", "--java-download-page", "https://example.com/java?v=17"}, std::nullopt,
         "kiv.java.download.page=https://example.com/java?v=17\n"},
        {{"--no-user-options", "--splash", "art/Log\xc3\xb6.png"}, std::nullopt, "kiv.splash=Log\\u00f6.png\n"},
        {{"--single-instance", "--max-heap-percent", "5"}, std::nullopt,
         "kiv.user.options=App\\\\App.options\nkiv.nl.java.option.java.heap.percent=5\nkiv.single.instance=true\n"},
        {{"--attach-console", "--no-user-options"}, std::nullopt, "kiv.attach.console=true\n"},
    };
    for (const auto& c : cases) {
        NativeAppOptions options;
        std::string error, path;
        for (size_t i = 0; i < c.arguments.size(); ++i) ASSERT_TRUE(takeNativeAppOption(c.arguments, i, options, error));
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_TRUE(userOptionsPath("App", c.vendor, path, error)) << error;
        EXPECT_EQ(nativeAppKivLines(options, path), c.lines);
    }
}

TEST(ApplicationMode, AttachConsoleOnlyWithTheWindowedLauncher) {
    const struct {
        Texts extra;
        const char* error;
    } cases[] = {
        {{"--attach-console"}, "--attach-console needs the windowed launcher (--no-console)"},
        {{"--console", "--attach-console"}, "--attach-console needs the windowed launcher (--no-console)"},
        {{"--attach-console", "--no-console"}, ""},
        {{"--no-console"}, ""},
    };
    for (const auto& c : cases) {
        Texts arguments = {"--input", "in", "--main-jar", "app.jar", "--name", "App"};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        const ApplicationRequest request = parseApplicationArguments(arguments);
        EXPECT_EQ(request.error.rfind(c.error, 0), 0u) << c.extra.front() << ": " << request.error;
        if (!*c.error) EXPECT_EQ(request.error, "");
    }
}

TEST(ApplicationMode, SplashImagesByTheirFirstBytes) {
    const struct {
        std::string head;
        const char* kind;
    } cases[] = {
        {std::string("\x89PNG\r\n\x1a\n\0\0", 10), "PNG"}, {"GIF87a..", "GIF"}, {"GIF89a", "GIF"},
        {"\xFF\xD8\xFF\xE0", "JPEG"}, {"\x89PNG", ""}, {"GIF90a", ""}, {"BM6", ""}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(imageKindOf(c.head), c.kind) << c.head;
}

TEST(ApplicationMode, HeapOptionsBecomeTheLauncherHeapKeys) {
    const struct {
        const char* vm;
        const char* launcher;  // null: refused
    } sizes[] = {
        {"512m", "512m"}, {"64K", "64k"}, {"1g", "1024m"}, {"2T", "2097152m"}, {"4294967296", "4096m"},
        {"2147483647", "2147483647"}, {"3000000000", nullptr}, {"1.5g", nullptr}, {"", nullptr}, {"0", nullptr},
        {"m", nullptr}, {"1gb", nullptr}, {"4096t", nullptr},
    };
    for (const auto& c : sizes)
        EXPECT_EQ(launcherByteSize(c.vm), c.launcher ? std::optional<std::string>(c.launcher) : std::nullopt) << c.vm;

    Texts options = {"-Xmx1g", "-Dx=1", "-Xms64m", "-Xmx2g", "-XX:+UseG1GC"};
    std::string initial, maximum, error;
    ASSERT_TRUE(takeHeapOptions(options, initial, maximum, error)) << error;
    EXPECT_EQ(options, (Texts{"-Dx=1", "-XX:+UseG1GC"}));
    EXPECT_EQ(initial, "64m");
    EXPECT_EQ(maximum, "2048m");  // the last one, as the VM takes it
    options = {"-Xmx1.5g"};
    EXPECT_FALSE(takeHeapOptions(options, initial, maximum, error));
    EXPECT_EQ(error.rfind("--java-options -Xmx1.5g: not a heap size the launcher can pass on", 0), 0u) << error;
}

TEST(ApplicationMode, ReadsTheManifestOfAStoredOrDeflatedJar) {
    TempFolder scratch;
    const std::string manifest = "Manifest-Version: 1.0\r\nMain-Class: a.Main\r\n\r\n";
    for (uint16_t method : {0, 8}) {
        velmora::test::ZipLayout layout;
        layout.members = {member("META-INF/", ""), member("META-INF/MANIFEST.MF", manifest, method)};
        layout.prefix = "prefix bytes";
        writeAll(scratch / "app.jar", velmora::test::zipBytes(layout));
        EXPECT_EQ(zipMemberBytes(scratch / "app.jar", "META-INF/MANIFEST.MF"), manifest) << method;
        EXPECT_EQ(zipMemberBytes(scratch / "app.jar", "META-INF/OTHER"), std::nullopt);
    }
    writeAll(scratch / "broken.jar", "not a zip");
    EXPECT_EQ(zipMemberBytes(scratch / "broken.jar", "META-INF/MANIFEST.MF"), std::nullopt);
}

// A refusal: one line, exit code 2, and neither the installer nor the kept folder written.
void expectRefused(const Texts& arguments, const std::string& says, const fs::path& programFolder,
                   const std::string& out, const std::string& keep) {
    testing::internal::CaptureStderr();
    const int code = runApplicationMode(arguments, programFolder);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 2) << says;
    EXPECT_NE(said.find(says), std::string::npos) << says << "\n" << said;
    EXPECT_EQ(said.rfind("ruvo-pack: ", 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;  // one line
    EXPECT_FALSE(fs::exists(out)) << says;
    EXPECT_FALSE(fs::exists(keep)) << says;
}

TEST(ApplicationMode, RefusalsWriteNothing) {
    TempFolder scratch;
    const std::string in = (scratch / "in").string(), out = (scratch / "App.exe").string(),
                      keep = (scratch / "keep").string();
    const std::string manifest = "Main-Class: a.Main\n";
    writeAll(scratch / "in/app.jar", velmora::test::zipArchive({member("META-INF/MANIFEST.MF", manifest)}));
    writeAll(scratch / "in/plain.jar", velmora::test::zipArchive({member("a/B.class", "x")}));
    writeAll(scratch / "jre/lib/rt.jar", "x");
    writeAll(scratch / "bin/quillrun.exe", "MZ");
    writeAll(scratch / "withexe/app.jar", "x");
    writeAll(scratch / "withexe/tool.exe", "MZ");
    writeAll(scratch / "bookkeeping/app.jar", "x");
    writeAll(scratch / "bookkeeping/Uninstall.Files", "x");
    writeAll(scratch / "art/logo.png", std::string("\x89PNG\r\n\x1a\n", 8));
    writeAll(scratch / "art/logo@2x.png", "<svg/>");
    writeAll(scratch / "art/plain.gif", "GIF89a");
    writeAll(scratch / "in/plain.gif", "GIF89a");
    const Texts base = {"--input", in, "--out", out, "--keep-payload", keep, "--name", "App", "--launcher-dir",
                        (scratch / "bin").string(), "--stub", (scratch / "bin/quillrun.exe").string()};
    auto with = [&](Texts extra) {
        Texts all = base;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    const struct {
        Texts arguments;
        const char* says;
    } cases[] = {
        {with({"--main-jar", "app.jar", "--frobnicate"}), "unknown option '--frobnicate' in application mode"},
        {{"--main-jar", "app.jar", "--name", "App"}, "--input is missing"},
        {with({}), "--main-jar is missing"},
        {with({"--main-jar", "gone.jar"}), "--main-jar gone.jar: no such file"},
        {with({"--main-jar", "plain.jar"}), "its manifest names no Main-Class; give --main-class"},
        {with({"--main-jar", "app.jar", "--main-class", "a.B", "--main-class", "c.D"}), "two main classes"},
        {with({"--main-jar", "app.jar", "--runtime-image", (scratch / "jre").string()}),
         "holds neither bin/java.exe nor bin/javaw.exe"},
        {with({"--main-jar", "app.jar", "--java-version", "[11,17)"}), "cannot express"},
        {with({"--main-jar", "app.jar", "--java-version", "17", "--runtime-image", in}), "not both"},
        {with({"--main-jar", "app.jar", "--console", "--no-console"}), "not both"},
        {with({"--main-jar", "app.jar", "--java-options"}), "--java-options needs a value"},
        {with({"--main-jar", "app.jar", "--max-heap-percent", "91"}), "--max-heap-percent takes a whole number from 1 to 90"},
        {with({"--main-jar", "app.jar", "--max-heap-percent", "0"}), "--max-heap-percent takes a whole number"},
        {with({"--main-jar", "app.jar", "--max-heap-percent", "2x"}), "--max-heap-percent takes a whole number"},
        {with({"--main-jar", "app.jar", "--vendor", "A|B"}), "cannot name the per-user options folder"},
        {with({"--main-jar", "app.jar", "--java-download-page", "ftp://x/java"}), "give an http:// or https:// address"},
        {with({"--main-jar", "app.jar", "--splash", (scratch / "in/app.jar").string()}), "not a PNG, GIF or JPEG image"},
        {with({"--main-jar", "app.jar", "--splash", (scratch / "art/logo.png").string()}), "logo@2x.png: not a PNG"},
        {with({"--main-jar", "app.jar", "--splash", (scratch / "art/plain.gif").string()}),
         "plain.gif would be replaced by the --splash image"},
        {{"--input", (scratch / "withexe").string(), "--main-jar", "app.jar", "--main-class", "a.Main", "--name", "App",
          "--out", out, "--type", "run"},
         "tool.exe is a program at the folder's top level"},
        {{"--input", (scratch / "bookkeeping").string(), "--main-jar", "app.jar", "--main-class", "a.Main", "--name",
          "App", "--out", out},
         "Uninstall.Files is a name the setup engine writes into the install folder itself"},
        {with({"--main-jar", "app.jar", "--name", "Acme/Rhino"}),
         "--name Acme/Rhino: cannot name a Windows file ('/' separates folders)"},
    };
    for (const auto& c : cases) expectRefused(c.arguments, c.says, scratch.path(), out, keep);
}

// The input as the payload holds it: links followed (one warning for each that leads outside),
// and the installer being written never part of it, wherever it lies and whether or not an
// earlier build left it there.
// Problems of the input that show only while its files are laid out: each named by its path in
// the input, with the reason, before anything is written. (Links and names that differ only in
// case need a POSIX file system.)
TEST(ApplicationMode, InputProblemsNameTheInputPath) {
    TempFolder scratch;
    if (!tellsCaseApart(scratch.path())) GTEST_SKIP() << "the file system does not tell letter case apart";
    const std::string out = (scratch / "App.exe").string(), keep = (scratch / "keep").string();
    // The default type installs, so the kit's engine must be there for the input to be read.
    for (const char* program : {"bin/quillrun.exe", "bin/quillsetup.exe"}) writeAll(scratch / program, "MZ");
    const Texts base = {"--input", "", "--out", out, "--keep-payload", keep, "--name", "App", "--launcher-dir",
                        (scratch / "bin").string(), "--stub", (scratch / "bin/quillrun.exe").string(),
                        "--main-jar", "app.jar", "--main-class", "a.Main"};
    for (const char* folder : {"sound", "clash", "loop", "self", "dangling", "badname"})
        writeAll(scratch / folder / "app.jar", "x");
    writeAll(scratch / "clash/lib/A.jar", "x");
    writeAll(scratch / "clash/lib/a.jar", "x");
    fs::create_directory_symlink(".", scratch / "loop/sub");
    fs::create_symlink("x", scratch / "self/x");
    fs::create_symlink("nowhere", scratch / "dangling/gone");
    writeAll(scratch / "badname/lib/nul.txt", "x");
    writeAll(scratch / "runtime/bin/java.exe", "MZ");
    writeAll(scratch / "runtime/lib/COM\xC2\xB9.dat", "x");
    const struct {
        const char* input;
        const char* says;               // after "--input FOLDER: " (or "--runtime-image FOLDER: ")
        const char* runtime = nullptr;  // --runtime-image, the folder the line names then
    } cases[] = {
        {"clash", "'lib/A.jar' and 'lib/a.jar' differ only in letter case"},
        {"loop", "sub: a symbolic link loop"},
        {"self", "x: a symbolic link loop"},
        {"dangling", "gone: a dangling symbolic link (to nowhere)"},
        {"badname", "lib/nul.txt: 'nul.txt' is a device name on Windows"},
        {"sound", "lib/COM\xC2\xB9.dat: 'COM\xC2\xB9.dat' is a device name on Windows", "runtime"},
    };
    for (const auto& c : cases) {
        Texts arguments = base;
        arguments[1] = (scratch / c.input).string();
        std::string says = "--input " + arguments[1] + ": " + c.says;
        if (c.runtime) {
            arguments.insert(arguments.end(), {"--runtime-image", (scratch / c.runtime).string()});
            says = "--runtime-image " + (scratch / c.runtime).string() + ": " + c.says;
        }
        expectRefused(arguments, says, scratch.path(), out, keep);
    }
}

TEST(ApplicationMode, InputListingFollowsLinksAndLeavesTheOutputOut) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a POSIX file system";
#endif
    TempFolder scratch;
    writeAll(scratch / "in/app.jar", "x");
    writeAll(scratch / "in/dist/App.exe", "earlier build");
    writeAll(scratch / "shared/lib/common.jar", "x");
    fs::create_directory_symlink(scratch / "shared/lib", scratch / "in/lib");
    fs::create_symlink("app.jar", scratch / "in/alias.jar");
    for (const char* output : {"dist/App.exe", "dist/New.exe", "../App.exe"}) {
        InputListing listing;
        std::string error;
        ASSERT_TRUE(listInputFolder(scratch / "in", "--input in", scratch / "in" / output, listing, error)) << error;
        Texts names;
        for (const auto& file : listing.files) names.push_back(file.relative);
        const bool packsTheEarlierBuild = std::string(output) != "dist/App.exe";
        const Texts all = {"alias.jar", "app.jar", "dist/App.exe", "lib/common.jar"},
                    withoutOutput = {"alias.jar", "app.jar", "lib/common.jar"};
        EXPECT_EQ(names, packsTheEarlierBuild ? all : withoutOutput) << output;
        ASSERT_EQ(listing.warnings.size(), 1u);
        EXPECT_EQ(listing.warnings[0].rfind("--input in: lib is a symbolic link to " + (scratch / "shared/lib").string() +
                                                ", outside the folder",
                                            0),
                  0u)
            << listing.warnings[0];
    }
}

}  // namespace

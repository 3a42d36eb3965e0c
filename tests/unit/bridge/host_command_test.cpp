#include <gtest/gtest.h>

#include <map>

#include "tools/java_bridge/host_command.h"

using namespace velmora::bridge;

namespace {

PathMapper fakeMapper() {
    static const std::map<std::wstring, std::string> known = {
        {L"C:\\App\\lib\\a.jar", "/drive_c/App/lib/a.jar"},
        {L"C:\\App\\b.jar", "/drive_c/App/b.jar"},
        {L"C:/App/app.kiv", "/drive_c/App/app.kiv"},
    };
    return {[](const std::wstring& p) {
                auto it = known.find(p);
                return it == known.end() ? std::string() : it->second;
            },
            [](const std::wstring& p) { return known.count(p) != 0; }};
}

using Args = std::vector<HostArgument>;

HostArgument plain(const char* text) { return HostArgument::plain(text); }
HostArgument paths(std::vector<std::string> p) { return HostArgument::pathList(std::move(p)); }

}  // namespace

TEST(BridgeArguments, ClassPathAndExistingFilesBecomeHostPaths) {
    Args args = hostArguments({L"-Xmx64m", L"-classpath", L"C:\\App\\lib\\a.jar;;C:\\App\\b.jar;C:\\gone.jar;",
                               L"com.example.Main", L"C:/App/app.kiv", L"C:\\missing.txt", L"plain word"},
                              fakeMapper());
    EXPECT_EQ(args, (Args{plain("-Xmx64m"), plain("-classpath"),
                          paths({"/drive_c/App/lib/a.jar", "/drive_c/App/b.jar", "C:\\gone.jar"}),
                          plain("com.example.Main"), paths({"/drive_c/App/app.kiv"}), plain("C:\\missing.txt"),
                          plain("plain word")}));
    EXPECT_EQ(hostArguments({L"-cp", L"C:\\App\\b.jar"}, fakeMapper()),
              (Args{plain("-cp"), paths({"/drive_c/App/b.jar"})}));
    EXPECT_EQ(hostArguments({L"-classpath"}, fakeMapper()), (Args{plain("-classpath")}));
}

TEST(BridgeScript, EveryWordIsQuotedForTheShell) {
    EXPECT_EQ(shellQuoted("a b"), "'a b'");
    EXPECT_EQ(shellQuoted("it's $HOME `x`"), "'it'\\''s $HOME `x`'");
    std::string script =
        bridgeScript("/usr/bin/java", {plain("-cp"), paths({"/p/c:/a b.jar", "/q.jar"}), plain("Main")}, "/work dir", "/tmp/s");
    EXPECT_NE(script.find("cd '/work dir' || { publish 126; exit 126; }\n"), std::string::npos);
    // Paths are resolved to their real location, so no colon of Wine's drive links remains.
    EXPECT_NE(script.find("'/usr/bin/java' '-cp' \"$(realpath -m -- '/p/c:/a b.jar'):$(realpath -m -- '/q.jar')\" "
                          "'Main'\npublish $?\n"),
              std::string::npos);
    EXPECT_NE(script.find("> '/tmp/s.part' && mv '/tmp/s.part' '/tmp/s'"), std::string::npos);
}

TEST(BridgeArguments, SystemPropertiesNamingFilesGetHostPathsOthersStay) {
    const struct {
        std::wstring argument;
        HostArgument expected;
    } cases[] = {
        {L"-Dkiv.file=C:\\App\\b.jar", HostArgument::pathList({"/drive_c/App/b.jar"}, "-Dkiv.file=")},
        {L"-Dkiv.file=C:\\missing.kiv", plain("-Dkiv.file=C:\\missing.kiv")},
        {L"-Dx=1", plain("-Dx=1")},
        {L"-D=C:\\App\\b.jar", HostArgument::pathList({"/drive_c/App/b.jar"}, "-D=")},
        {L"-Dflag", plain("-Dflag")},
        {L"x=C:\\App\\b.jar", plain("x=C:\\App\\b.jar")},  // not a property, not a file
    };
    for (const auto& c : cases) EXPECT_EQ(hostArguments({c.argument}, fakeMapper()), Args{c.expected});
    std::string script = bridgeScript("/j", {HostArgument::pathList({"/a b"}, "-Dk='v")}, "", "/s");
    EXPECT_NE(script.find("'/j' '-Dk='\\''v'\"$(realpath -m -- '/a b')\"\n"), std::string::npos) << script;
}

TEST(BridgeArguments, ArgumentFilesBeforeTheMainClassAreReadAsJavaReadsThem) {
    const std::map<std::wstring, std::wstring> files = {
        {L"C:\\Temp\\kiv1.args", L"# quillrun\r\n-classpath\n\"C:\\\\App\\\\a.jar;\"\n"},
        {L"C:\\Temp\\opts.args", L"--add-opens\njava.base/x=ALL-UNNAMED\n"},
    };
    auto read = [&](const std::wstring& path) -> std::optional<std::wstring> {
        auto it = files.find(path);
        return it == files.end() ? std::nullopt : std::optional<std::wstring>(it->second);
    };
    using Texts = std::vector<std::wstring>;
    const struct {
        Texts given, expanded;
    } cases[] = {
        {{L"-Xmx1m", L"@C:\\Temp\\kiv1.args", L"Main", L"@C:\\Temp\\kiv1.args"},
         {L"-Xmx1m", L"-classpath", L"C:\\App\\a.jar;", L"Main", L"@C:\\Temp\\kiv1.args"}},  // after it: an argument
        {{L"@C:\\Temp\\opts.args", L"@C:\\Temp\\kiv1.args", L"Main"},
         {L"--add-opens", L"java.base/x=ALL-UNNAMED", L"-classpath", L"C:\\App\\a.jar;", L"Main"}},
        {{L"-cp", L"@C:\\Temp\\kiv1.args", L"Main"}, {L"-cp", L"@C:\\Temp\\kiv1.args", L"Main"}},  // an option's value
        {{L"@C:\\gone.args", L"Main"}, {L"@C:\\gone.args", L"Main"}},  // the host VM says it is missing
    };
    for (const auto& c : cases) EXPECT_EQ(expandArgumentFiles(c.given, read), c.expanded);
}

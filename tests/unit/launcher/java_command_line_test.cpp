#include <gtest/gtest.h>

#include "common/argument_quoting.h"
#include "common/command_line_split.h"
#include "common/text_convert.h"
#include "launcher/file_system.h"
#include "launcher/java_command_line.h"
#include "launcher/launch_options.h"
#include "tests/support/argument_cases.h"

using namespace velmora::launcher;

namespace {

LaunchOptions exampleOptions() {
    LaunchOptions o;
    o.mainClass = L"com.example.Main";
    o.classPath = {L"C:\\App\\lib\\a.jar", L"C:\\App\\lib\\b.jar"};
    o.heapInitial = 16777216;
    o.heapMax = 50331648;
    o.propertyFiles = {L"C:\\App\\app.kiv", L"C:\\Temp\\kiv1A.tmp"};
    return o;
}

const std::wstring kTail =
    L" -classpath \"C:\\App\\lib\\a.jar;C:\\App\\lib\\b.jar;\" com.example.Main \"C:/App/app.kiv\" \"C:/Temp/kiv1A.tmp\" ";

}  // namespace

TEST(StandardCommandLine, ModernVmGetsModuleAndScalingOptions) {
    EXPECT_EQ(composeStandardCommandLine(L"C:\\Jdk\\bin\\java.exe", 11, exampleOptions()),
              L"\"C:\\Jdk\\bin\\java.exe\" --add-opens java.base/jdk.internal.loader=ALL-UNNAMED "
              L"-Dsun.java2d.uiScale.enabled=false -Xms16777216 -Xmx50331648" + kTail);
    EXPECT_EQ(composeStandardCommandLine(L"C:\\Jdk\\bin\\java.exe", 9, exampleOptions()).find(L"--add-opens"), 22u);
    EXPECT_EQ(composeStandardCommandLine(L"C:\\Jre\\bin\\java.exe", 8, exampleOptions()),
              L"\"C:\\Jre\\bin\\java.exe\" -Xms16777216 -Xmx50331648" + kTail);
}

TEST(StandardCommandLine, OptionsInTheirOrderAndLargeHeaps) {
    LaunchOptions o = exampleOptions();
    o.heapInitial = 0;
    o.heapMax = 4294967296;  // 4096m must not wrap
    o.verbose = true;
    o.verboseKind = L"gc";
    o.debugging = o.gcBackgroundThread = o.compilerOff = true;
    o.gcExtent = L"x";
    o.additionalOptions = L"-Dfoo=1 -Dbar=2";
    EXPECT_EQ(composeStandardCommandLine(L"j.exe", 8, o),
              L"\"j.exe\" -Xmx4294967296 -verbose:gc -Xdebug -Xnoasyncgc -Djava.compiler=off -Xnoclassgc -Dfoo=1 -Dbar=2" +
                  kTail);
    o.verboseKind.clear();
    o.debugging = o.gcBackgroundThread = o.compilerOff = false;
    o.gcExtent.clear();
    o.heapMax = -5;
    o.additionalOptions = L" -Xrs";  // the service launcher's addition brings its own space
    EXPECT_EQ(composeStandardCommandLine(L"j.exe", 8, o), L"\"j.exe\" -verbose  -Xrs" + kTail);
}

TEST(ClassicCommandLine, JreTakesCpAndHomeClassesJoinTheClassPath) {
    LaunchOptions o = exampleOptions();
    o.verbose = true;
    o.verboseKind = L"class";  // not used by the classic form
    o.debugging = o.gcBackgroundThread = o.compilerOff = true;
    o.gcExtent = L"yes";
    EXPECT_EQ(composeClassicCommandLine(L"C:\\Old\\bin\\JREW.EXE", L"C:\\Old", o),
              L"\"C:\\Old\\bin\\JREW.EXE\" -ms16777216 -mx50331648 -verbose -debug -noasyncgc -nojit -noclassgc -cp "
              L"\"C:\\App\\lib\\a.jar;C:\\App\\lib\\b.jar;C:\\Old\\lib\\classes.zip;\" com.example.Main "
              L"\"C:/App/app.kiv\" \"C:/Temp/kiv1A.tmp\" ");
    std::wstring java = composeClassicCommandLine(L"C:\\Old\\bin\\java.exe", L"C:\\Old", exampleOptions());
    EXPECT_NE(java.find(L" -classpath \"C:\\App\\lib\\a.jar;C:\\App\\lib\\b.jar;C:\\Old\\lib\\classes.zip;\""),
              std::wstring::npos);
}

TEST(MicrosoftCommandLine, OnlyClassPathAndProgram) {
    LaunchOptions o = exampleOptions();
    o.verbose = o.debugging = true;
    o.additionalOptions = L"-Dx";
    EXPECT_EQ(composeMicrosoftCommandLine(L"C:\\Windows", o),
              L"\"C:\\Windows\\jview.exe\" /cp \"C:\\App\\lib\\a.jar;C:\\App\\lib\\b.jar;\" com.example.Main "
              L"\"C:/App/app.kiv\" \"C:/Temp/kiv1A.tmp\" ");
}

TEST(ProgramArguments, BackslashesDoubledAndSpacesQuoted) {
    LaunchOptions o;
    EXPECT_EQ(formatProgramArguments(o), L"");
    o.programArguments = {L"C:\\My Files\\x.txt", L"-Dx=1", L"a\\b", L""};
    EXPECT_EQ(formatProgramArguments(o), L"\"C:\\\\My Files\\\\x.txt\" -Dx=1 a\\\\b ");
    o.propertyFiles = {L"C:\\a b\\app.kiv"};
    o.programArguments = {L"x"};
    EXPECT_EQ(formatProgramArguments(o), L"\"C:/a b/app.kiv\" x");
}

TEST(ClassPathJoin, EveryEntryEndsWithSeparator) {
    EXPECT_EQ(joinClassPath({}), L"");
    EXPECT_EQ(joinClassPath({L"C:\\App\\", L"a.jar"}), L"C:\\App\\;a.jar;");
}

TEST(Verbosity, KnownValuesAnyCase) {
    EXPECT_FALSE(parseVerbosity(L"").verbose);
    EXPECT_FALSE(parseVerbosity(L"").invalid);
    auto gc = parseVerbosity(L"GC");
    EXPECT_TRUE(gc.verbose);
    EXPECT_EQ(gc.kind, L"gc");
    EXPECT_EQ(parseVerbosity(L"Class").kind, L"class");
    for (const wchar_t* plain : {L"normal", L"ALL"}) {
        auto v = parseVerbosity(plain);
        EXPECT_TRUE(v.verbose);
        EXPECT_TRUE(v.kind.empty());
    }
    auto none = parseVerbosity(L"None");
    EXPECT_FALSE(none.verbose);
    EXPECT_FALSE(none.invalid);
    auto bad = parseVerbosity(L"loud");
    EXPECT_FALSE(bad.verbose);
    EXPECT_TRUE(bad.invalid);
}

TEST(PlainArguments, QuotingTheSystemParserInverts) {
    const struct {
        const wchar_t* argument;
        const wchar_t* quoted;
    } cases[] = {
        {L"plain", L"plain"},
        {L"", L"\"\""},
        {L"two words", L"\"two words\""},
        {L"tab\there", L"\"tab\there\""},
        {L"a\"b", L"\"a\\\"b\""},
        {L"C:\\dir\\", L"C:\\dir\\"},  // nothing to quote: backslashes stay single
        {L"C:\\a b\\", L"\"C:\\a b\\\\\""},
        {L"x\\\"y", L"\"x\\\\\\\"y\""},
        {L"\\\\server\\share", L"\\\\server\\share"},
    };
    for (const auto& c : cases) EXPECT_EQ(velmora::quoteArgument(c.argument), c.quoted) << c.argument;

    // Every awkward text, alone and all together, comes back from the system's parser as it was.
    const auto& all = velmora::test::awkwardArguments();
    for (const auto& argument : all)
        EXPECT_EQ(velmora::test::systemSplit(L"p.exe " + velmora::quoteArgument(argument)), std::vector<std::wstring>{argument})
            << velmora::wideToUtf8(argument);
    EXPECT_EQ(velmora::test::systemSplit(L"p.exe " + velmora::joinArguments(all)), all);
}

TEST(PlainArguments, PropertyFilesBecomeSystemPropertiesBeforeTheMainClass) {
    LaunchOptions o = exampleOptions();
    o.plainArguments = true;
    o.propertyFiles = {L"C:\\My App\\app.kiv", L"C:\\Temp\\kiv1A.tmp"};
    o.programArguments = {L"-i", L"a b", L""};
    const std::wstring program =
        L" \"-Dkiv.file=C:\\My App\\app.kiv\" -Dkiv.runtime.file=C:\\Temp\\kiv1A.tmp com.example.Main -i \"a b\" \"\"";
    EXPECT_EQ(composeStandardCommandLine(L"j.exe", 8, o),
              L"\"j.exe\" -Xms16777216 -Xmx50331648 -classpath \"C:\\App\\lib\\a.jar;C:\\App\\lib\\b.jar;\"" + program);
    EXPECT_EQ(composeMicrosoftCommandLine(L"C:\\W", o),
              L"\"C:\\W\\jview.exe\" /cp \"C:\\App\\lib\\a.jar;C:\\App\\lib\\b.jar;\" \"/d:kiv.file=C:\\My App\\app.kiv\" "
              L"/d:kiv.runtime.file=C:\\Temp\\kiv1A.tmp com.example.Main -i \"a b\" \"\"");
    // Without arguments the line ends with the main class: no trailing space.
    o.programArguments.clear();
    std::wstring line = composeClassicCommandLine(L"C:\\Old\\bin\\java.exe", L"C:\\Old", o);
    EXPECT_EQ(line.substr(line.size() - 17), L" com.example.Main");
}

TEST(PlainArguments, FixedArgumentTextSplitsAsTheSystemSplits) {
    using Args = std::vector<std::wstring>;
    const struct {
        const wchar_t* text;
        Args arguments;
    } cases[] = {
        {L"", {}},
        {L" \t ", {}},
        {L"-v", {L"-v"}},
        {L"--mode \"two words\" -v", {L"--mode", L"two words", L"-v"}},
        {L"\"\" a\\\"b C:\\dir\\", {L"", L"a\"b", L"C:\\dir\\"}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitArgumentText(c.text), c.arguments) << c.text;
    // What the composer writes, the splitter reads back.
    EXPECT_EQ(splitArgumentText(velmora::joinArguments(velmora::test::awkwardArguments())),
              velmora::test::awkwardArguments());
}

TEST(ClassPathJoin, RelativeEntriesMeanTheKivFolderNotTheCurrentOne) {
    // The folder named is not the current directory of the test program.
    const std::wstring folder = L"C:\\kiv folder\\app";
    ASSERT_NE(fullPath(L".", false), folder);
    struct Case {
        const wchar_t* text;
        const wchar_t* full;
    } cases[] = {
        {L"lib\\app.jar", L"C:\\kiv folder\\app\\lib\\app.jar"},
        {L"..\\shared.jar", L"C:\\kiv folder\\shared.jar"},
        {L"", L"C:\\kiv folder\\app\\"},
        {L"D:\\abs\\x.jar", L"D:\\abs\\x.jar"},
    };
    for (const auto& c : cases) EXPECT_EQ(fullPathIn(folder, c.text, false), c.full) << c.text;
    EXPECT_EQ(fullPathIn(L"C:\\", L"x.jar", false), L"C:\\x.jar");
    EXPECT_EQ(resolveClassPath(L"a.jar;D:\\b.jar", folder),
              (std::vector<std::wstring>{L"C:\\kiv folder\\app\\a.jar", L"D:\\b.jar"}));
}

namespace {

// A room small enough that a few entries pass it, so the cases stay short.
constexpr size_t kRoom = 400;
const std::wstring kFile = L"C:\\Temp\\kiv1A.args";

std::wstring longEntry(int n) { return L"C:\\Program Files\\App\\lib\\commons-library-" + std::to_wstring(n) + L".jar"; }

}  // namespace

TEST(LongCommandLine, ClassPathThenOptionsGoToTheArgumentFileOrTheLineIsRefused) {
    LaunchOptions manyJars = exampleOptions();
    for (int i = 0; i < 8; ++i) manyJars.classPath.push_back(longEntry(i));
    LaunchOptions manyOptions = manyJars;
    manyOptions.additionalOptions = L"\"-Dtitle=My App\" " + std::wstring(300, L'x');
    LaunchOptions plainManyOptions = manyOptions;
    plainManyOptions.plainArguments = true;
    plainManyOptions.programArguments = {L"two words"};
    LaunchOptions longArgument = manyJars;
    longArgument.programArguments = {std::wstring(kRoom, L'a')};
    LaunchOptions ownArgumentFile = manyOptions;
    ownArgumentFile.additionalOptions += L" @more.txt";

    const std::wstring exe = L"C:\\Jdk\\bin\\java.exe";
    const std::wstring classPath = joinClassPath(manyJars.classPath);
    const std::vector<std::wstring> own = {L"--add-opens", L"java.base/jdk.internal.loader=ALL-UNNAMED",
                                           L"-Dsun.java2d.uiScale.enabled=false", L"-Xms16777216", L"-Xmx50331648"};
    auto with = [](std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* name;
        LaunchOptions options;
        uint16_t major;
        std::wstring line;  // empty: refused
        std::vector<std::wstring> file;
        const wchar_t* refusedFor;
    } cases[] = {
        {"a short line stays as it is", exampleOptions(), 17, composeStandardCommandLine(exe, 17, exampleOptions()), {}, L""},
        {"the class path alone", manyJars, 17,
         L"\"" + exe + L"\" --add-opens java.base/jdk.internal.loader=ALL-UNNAMED -Dsun.java2d.uiScale.enabled=false "
                       L"-Xms16777216 -Xmx50331648 @C:\\Temp\\kiv1A.args com.example.Main \"C:/App/app.kiv\" \"C:/Temp/kiv1A.tmp\" ",
         {L"-classpath", classPath}, L""},
        {"then the options too, split as the VM splits them", manyOptions, 17,
         L"\"" + exe + L"\" @C:\\Temp\\kiv1A.args com.example.Main \"C:/App/app.kiv\" \"C:/Temp/kiv1A.tmp\" ",
         with(own, {L"-Dtitle=My App", std::wstring(300, L'x'), L"-classpath", classPath}), L""},
        {"plain arguments: the property files' definitions as well", plainManyOptions, 17,
         L"\"" + exe + L"\" @C:\\Temp\\kiv1A.args com.example.Main \"two words\"",
         with(own, {L"-Dtitle=My App", std::wstring(300, L'x'), L"-classpath", classPath,
                    L"-Dkiv.file=C:\\App\\app.kiv", L"-Dkiv.runtime.file=C:\\Temp\\kiv1A.tmp"}),
         L""},
        {"a VM before version 9", manyJars, 8, L"", {}, L"VMs before version 9 take no argument file"},
        {"the user's own argument", longArgument, 17, L"", {}, L"the main class and the program's arguments alone"},
        {"options with an argument file of their own", ownArgumentFile, 17, L"", {}, L"an argument file of its own"},
    };
    for (const auto& c : cases) {
        StandardLaunch launch = fitStandardCommandLine(exe, c.major, c.options, kFile, kRoom);
        if (c.line.empty()) {
            EXPECT_NE(launch.refusal.find(c.refusedFor), std::wstring::npos) << c.name << ": " << velmora::wideToUtf8(launch.refusal);
            EXPECT_NE(launch.refusal.find(L" characters long; Windows starts no program with more than 32766 (32767 with "
                                          L"the terminating zero)"),
                      std::wstring::npos)
                << c.name;
            continue;
        }
        EXPECT_EQ(launch.refusal, L"") << c.name;
        EXPECT_EQ(launch.line, c.line) << c.name;
        EXPECT_LT(launch.line.size(), kRoom) << c.name;
        EXPECT_EQ(launch.fileArguments, c.file) << c.name;
    }
    // The refusal counts what would have been started.
    const std::wstring refused = fitStandardCommandLine(exe, 8, manyJars, kFile, kRoom).refusal;
    EXPECT_EQ(refused.rfind(L"the Java command line would be " +
                                std::to_wstring(composeStandardCommandLine(exe, 8, manyJars).size()) + L" characters long",
                            0),
              0u)
        << velmora::wideToUtf8(refused);
}

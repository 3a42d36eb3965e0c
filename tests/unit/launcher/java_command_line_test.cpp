#include <gtest/gtest.h>

#include "launcher/java_command_line.h"
#include "launcher/launch_options.h"

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

// The self-extractor's option tokeniser, option table and installer_ui line.
#include <gtest/gtest.h>

#include "selfextract/extractor_options.h"

using namespace ruvo;

namespace {

using Tokens = std::vector<std::wstring>;

ExtractorOptions Parsed(const wchar_t* commandLine) {
    ExtractorOptions options;
    options.ApplyTokens(TokenizeOptions(commandLine));
    return options;
}

}  // namespace

TEST(TokenizeOptions, SpacesQuotesAndEmptyQuotes) {
    EXPECT_EQ(TokenizeOptions(L"  -i   silent "), (Tokens{L"-i", L"silent"}));
    EXPECT_EQ(TokenizeOptions(L"-f \"C:\\My Files\\a.properties\" x"),
              (Tokens{L"-f", L"C:\\My Files\\a.properties", L"x"}));
    // An empty quoted pair is a token of its own; an opening quote continues the token.
    EXPECT_EQ(TokenizeOptions(L"a \"\" b"), (Tokens{L"a", L"", L"b"}));
    EXPECT_EQ(TokenizeOptions(L"ab\"c d\"e"), (Tokens{L"abc d", L"e"}));
    EXPECT_EQ(TokenizeOptions(L"\"open to the end"), (Tokens{L"open to the end"}));
    EXPECT_TRUE(TokenizeOptions(L"").empty());
}

TEST(ExtractorOptions, UiModes) {
    EXPECT_EQ(Parsed(L"").uiMode(), UI_DIALOG);
    EXPECT_EQ(Parsed(L"-i silent").uiMode(), UI_SILENT);
    EXPECT_EQ(Parsed(L"-i console").uiMode(), UI_CONSOLE);
    EXPECT_EQ(Parsed(L"-i Silent").uiMode(), UI_DIALOG);  // case-sensitive
    EXPECT_EQ(Parsed(L"-i silent -i console").uiMode(), UI_CONSOLE);
    // A value that is no mode is read as an ordinary token: here the next option.
    EXPECT_EQ(Parsed(L"-i -i silent").uiMode(), UI_SILENT);
    EXPECT_EQ(Parsed(L"-i").uiMode(), UI_DIALOG);
}

TEST(ExtractorOptions, ValuesAndTheirAbsence) {
    ExtractorOptions options = Parsed(L"-jvmxms 256m foo -jvmxmx 1g -f \"C:\\a b\\x.properties\" -jvmxmx 2g");
    EXPECT_TRUE(options.heapMinimumGiven());
    EXPECT_EQ(options.heapMinimum(), L"256m");
    EXPECT_TRUE(options.heapMaximumGiven());
    EXPECT_EQ(options.heapMaximum(), L"2g");
    EXPECT_EQ(options.inputFile(), L"C:\\a b\\x.properties");

    ExtractorOptions last = Parsed(L"-i silent -jvmxmx");
    EXPECT_FALSE(last.heapMaximumGiven());
    EXPECT_EQ(last.uiMode(), UI_SILENT);
    // Interpretation ends at a value-less option: what follows is never reached.
    EXPECT_FALSE(Parsed(L"-jvmxms").heapMinimumGiven());
    // Values are not checked, and an option name can be a value.
    EXPECT_EQ(Parsed(L"-jvmxms -i silent").heapMinimum(), L"-i");
    EXPECT_EQ(Parsed(L"-jvmxms -i silent").uiMode(), UI_DIALOG);
}

TEST(UiModeFromPropertiesText, FirstInstallerUiLineDecides) {
    EXPECT_EQ(UiModeFromPropertiesText("a=b\nINSTALLER_UI=SILENT\n"), UI_SILENT);
    EXPECT_EQ(UiModeFromPropertiesText("installer_ui=console\r\n"), UI_CONSOLE);
    EXPECT_EQ(UiModeFromPropertiesText("INSTALLER_UI=swing\ninstaller_ui=silent\n"), UI_DIALOG);
    EXPECT_EQ(UiModeFromPropertiesText("installer_ui.mode=silent"), UI_SILENT);  // begins with the key
    EXPECT_EQ(UiModeFromPropertiesText(" installer_ui=silent\n#installer_ui=console\n"), std::nullopt);
    EXPECT_EQ(UiModeFromPropertiesText(""), std::nullopt);
}

TEST(DefaultInputFile, InstallerPropertiesElseOneNamedAfterTheProgram) {
    auto none = [](const std::wstring&) { return false; };
    auto installer = [](const std::wstring& path) { return path == L"C:\\dl\\installer.properties"; };
    EXPECT_EQ(DefaultInputFile(L"C:\\dl\\setup.exe", installer), L"C:\\dl\\installer.properties");
    EXPECT_EQ(DefaultInputFile(L"C:\\dl\\setup.exe", none), L"C:\\dl\\setup.properties");
    EXPECT_EQ(DefaultInputFile(L"C:\\dl\\my.setup.exe", none), L"C:\\dl\\my.setup.properties");
}

#pragma once
// The self-extractor's own options: "-i silent|console", "-f file", "-jvmxms v", "-jvmxmx v",
// and the "installer_ui" line of installer.properties (or <exe name>.properties).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo {

enum UiMode : int { UI_SILENT = 0, UI_DIALOG = 1, UI_CONSOLE = 2 };

// Splits at spaces outside double quotes; a quote pair closes a token even when it is empty
// (an opening quote keeps what was collected before it).
std::vector<std::wstring> TokenizeOptions(std::wstring_view commandLine);

// The decision of the first line that begins with "installer_ui" (compared in lower case):
// silent, console, else the dialog. None when no line begins so.
std::optional<UiMode> UiModeFromPropertiesText(std::string_view bytes);

// <folder>installer.properties when it exists, else <folder><base name>.properties.
// `folder` ends with a separator; `exists` asks the file system.
std::wstring DefaultInputFile(const std::wstring& modulePath, bool (*exists)(const std::wstring&));

class ExtractorOptions {
public:
    ExtractorOptions() = default;
    // Defaults from the program's own path, then the command line (without the program
    // name), then the properties file.
    explicit ExtractorOptions(const wchar_t* commandLine);

    // The command-line step alone, left to right; later options override earlier ones.
    void ApplyTokens(const std::vector<std::wstring>& tokens);
    // The properties-file step: skipped in silent mode or when the file does not exist.
    void ApplyInputFile();

    UiMode uiMode() const { return uiMode_; }
    const std::wstring& inputFile() const { return inputFile_; }
    bool heapMinimumGiven() const { return heapMinimumGiven_; }
    bool heapMaximumGiven() const { return heapMaximumGiven_; }
    std::wstring heapMinimum() const { return heapMinimum_; }
    std::wstring heapMaximum() const { return heapMaximum_; }

    void setInputFile(std::wstring file) { inputFile_ = std::move(file); }

private:
    UiMode uiMode_ = UI_DIALOG;
    std::wstring inputFile_;
    bool heapMinimumGiven_ = false;
    std::wstring heapMinimum_;
    bool heapMaximumGiven_ = false;
    std::wstring heapMaximum_;
};

}  // namespace ruvo

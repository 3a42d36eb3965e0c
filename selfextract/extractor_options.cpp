#include "selfextract/extractor_options.h"

#include <windows.h>

#include "common/text_convert.h"
#include "selfextract/kiv_file.h"
#include "selfextract/system_paths.h"

namespace ruvo {

std::vector<std::wstring> TokenizeOptions(std::wstring_view commandLine) {
    std::vector<std::wstring> tokens;
    std::wstring token;
    bool inQuotes = false;
    for (wchar_t c : commandLine) {
        if (c == L' ' && !inQuotes) {
            if (!token.empty()) tokens.push_back(std::move(token));
            token.clear();
        } else if (c == L'"' && inQuotes) {
            tokens.push_back(std::move(token));
            token.clear();
            inQuotes = false;
        } else if (c == L'"') {
            inQuotes = true;
        } else {
            token += c;
        }
    }
    if (!token.empty()) tokens.push_back(std::move(token));
    return tokens;
}

std::optional<UiMode> UiModeFromPropertiesText(std::string_view bytes) {
    LineReader lines(bytes);
    for (std::string_view text; lines.Next(text);) {
        const std::string line = velmora::asciiLower(text);
        if (line.rfind("installer_ui", 0) != 0) continue;
        if (line.find("silent") != std::string::npos) return UI_SILENT;
        if (line.find("console") != std::string::npos) return UI_CONSOLE;
        return UI_DIALOG;
    }
    return std::nullopt;
}

std::wstring DefaultInputFile(const std::wstring& modulePath, bool (*exists)(const std::wstring&)) {
    size_t slash = modulePath.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : modulePath.substr(0, slash + 1);
    std::wstring fileName = modulePath.substr(folder.size());
    std::wstring candidate = folder + L"installer.properties";
    if (exists(candidate)) return candidate;
    size_t dot = fileName.rfind(L'.');
    return folder + fileName.substr(0, dot) + L".properties";
}

void ExtractorOptions::ApplyTokens(const std::vector<std::wstring>& tokens) {
    for (size_t i = 0; i < tokens.size();) {
        const std::wstring& token = tokens[i];
        bool hasValue = i + 1 < tokens.size();
        if (token == L"-i") {
            if (!hasValue) break;
            const std::wstring& mode = tokens[i + 1];
            if (mode == L"silent" || mode == L"console") {
                uiMode_ = mode == L"silent" ? UI_SILENT : UI_CONSOLE;
                i += 2;
            } else {
                i += 1;  // the next token is read as an ordinary one
            }
        } else if (token == L"-f" || token == L"-jvmxms" || token == L"-jvmxmx") {
            if (!hasValue) break;
            const std::wstring& value = tokens[i + 1];
            if (token == L"-f") {
                inputFile_ = value;
            } else if (token == L"-jvmxms") {
                heapMinimumGiven_ = true;
                heapMinimum_ = value;
            } else {
                heapMaximumGiven_ = true;
                heapMaximum_ = value;
            }
            i += 2;
        } else {
            i += 1;
        }
    }
}

void ExtractorOptions::ApplyInputFile() {
    if (uiMode_ == UI_SILENT || !FileExists(inputFile_)) return;
    std::string bytes;
    if (!ReadWholeFile(inputFile_, bytes)) return;
    if (auto mode = UiModeFromPropertiesText(bytes)) uiMode_ = *mode;
}

ExtractorOptions::ExtractorOptions(const wchar_t* commandLine) {
    inputFile_ = DefaultInputFile(ModulePath(nullptr), FileExists);
    ApplyTokens(TokenizeOptions(commandLine ? commandLine : L""));
    ApplyInputFile();
}

}  // namespace ruvo

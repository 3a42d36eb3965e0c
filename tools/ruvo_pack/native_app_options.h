#pragma once
// Application mode's options that make the launched program behave like a native Windows
// application, and the .kiv lines that turn each behaviour on.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo_pack {

struct NativeAppOptions {
    bool userOptions = true;  // --user-options (default) / --no-user-options
    int maxHeapPercent = 0;   // --max-heap-percent N, 1 to 90; 0: not given
    std::string javaDownloadPage;  // --java-download-page URL (http or https)
    std::string splash;            // --splash IMAGE
    bool attachConsole = false;    // --attach-console, for the windowed launcher only
};

// Takes arguments[i] (and its value) when it is one of these options; false otherwise. A bad
// value sets `error`.
bool takeNativeAppOption(const std::vector<std::string>& arguments, size_t& i, NativeAppOptions& options,
                         std::string& error);

// Whether the launcher offers this page: http:// or https:// and a host, no spaces or control
// characters.
bool isWebPage(const std::string& page);

// The per-user options file below %APPDATA%: VENDOR\NAME\NAME.options, or NAME\NAME.options.
// False with the reason when the vendor cannot name a folder.
bool userOptionsPath(const std::string& name, const std::optional<std::string>& vendor, std::string& path,
                     std::string& error);

// The image files --splash ships beside the launcher: the image, and its @2x variant (NAME@2x.EXT
// beside it) when there is one. False with one line when either is not a PNG, GIF or JPEG file.
bool splashFiles(const std::string& image, std::vector<std::filesystem::path>& files, std::string& error);

// "PNG", "GIF" or "JPEG" by the file's first bytes; empty for anything else.
std::string imageKindOf(std::string_view head);

// The .kiv lines (LF-ended, escaped) for the options.
std::string nativeAppKivLines(const NativeAppOptions& options, const std::string& userOptionsFile);

std::string nativeAppUsageText();

}  // namespace ruvo_pack

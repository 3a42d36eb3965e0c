#include "tools/ruvo_pack/native_app_options.h"

#include <fstream>

#include "common/text_convert.h"
#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/installer_folder.h"
#include "tools/ruvo_pack/payload_format.h"

namespace ruvo_pack {

bool takeNativeAppOption(const std::vector<std::string>& arguments, size_t& i, NativeAppOptions& options,
                         std::string& error) {
    const std::string& a = arguments[i];
    if (a == "--user-options" || a == "--no-user-options") {
        options.userOptions = a == "--user-options";
        return true;
    }
    if (a == "--attach-console") {
        options.attachConsole = true;
        return true;
    }
    if (a != "--max-heap-percent" && a != "--java-download-page" && a != "--splash") return false;
    if (i + 1 >= arguments.size()) {
        error = a + " needs a value";
        return true;
    }
    const std::string& value = arguments[++i];
    if (a == "--splash") {
        if (!options.splash.empty())
            error = "--splash is given twice";
        else if (value.empty())
            error = "--splash needs a value";
        else
            options.splash = value;
        return true;
    }
    if (a == "--java-download-page") {
        if (!isWebPage(value))
            error = "--java-download-page " + value + ": give an http:// or https:// address, without spaces";
        else
            options.javaDownloadPage = value;
        return true;
    }
    int percent = 0;
    bool digits = !value.empty() && value.size() <= 2;
    for (char c : value) {
        digits = digits && c >= '0' && c <= '9';
        percent = percent * 10 + (c - '0');
    }
    if (!digits || percent < 1 || percent > 90)
        error = "--max-heap-percent takes a whole number from 1 to 90, not '" + value + "'";
    else
        options.maxHeapPercent = percent;
    return true;
}

bool isWebPage(const std::string& page) {
    const std::string lowered = velmora::asciiLower(page.substr(0, 8));
    const size_t scheme = lowered.rfind("https://", 0) == 0 ? 8 : lowered.rfind("http://", 0) == 0 ? 7 : 0;
    if (scheme == 0 || page.size() <= scheme) return false;
    for (char c : page)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    return true;
}

std::string imageKindOf(std::string_view head) {
    if (head.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) return "PNG";
    if (head.substr(0, 6) == "GIF87a" || head.substr(0, 6) == "GIF89a") return "GIF";
    if (head.substr(0, 3) == "\xFF\xD8\xFF") return "JPEG";
    return {};
}

bool splashFiles(const std::string& image, std::vector<std::filesystem::path>& files, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path path = pathOfUtf8(image);
    fs::path variant = path;
    variant.replace_filename(utf8Of(path.stem()) + "@2x" + utf8Of(path.extension()));
    files.clear();
    for (const fs::path& file : {path, variant}) {
        std::error_code ec;
        if (file == variant && !fs::exists(file, ec)) break;
        std::ifstream in(file, std::ios::binary);
        char head[8] = {};
        in.read(head, sizeof head);
        if (!in && !in.eof()) {
            error = "--splash " + utf8Of(file) + ": cannot be read";
            return false;
        }
        if (imageKindOf(std::string_view(head, static_cast<size_t>(in.gcount()))).empty()) {
            error = "--splash " + utf8Of(file) + ": not a PNG, GIF or JPEG image, which Java's splash screen shows";
            return false;
        }
        files.push_back(file);
    }
    return true;
}

bool userOptionsPath(const std::string& name, const std::optional<std::string>& vendor, std::string& path,
                     std::string& error) {
    path = name + "\\" + name + ".options";
    if (!vendor || vendor->empty()) return true;
    const std::string reason = unportableNameReason(*vendor);
    if (!reason.empty() || vendor->find_first_of("/\\") != std::string::npos) {
        error = "--vendor " + *vendor + ": cannot name the per-user options folder below %APPDATA% (" +
                (reason.empty() ? std::string("it holds a slash") : reason) + "); give --no-user-options";
        return false;
    }
    path = *vendor + "\\" + path;
    return true;
}

std::string nativeAppKivLines(const NativeAppOptions& options, const std::string& userOptionsFile) {
    std::string text;
    if (options.userOptions) text += "kiv.user.options=" + escapedKivValue(userOptionsFile) + "\n";
    if (options.maxHeapPercent > 0)
        text += "kiv.nl.java.option.java.heap.percent=" + std::to_string(options.maxHeapPercent) + "\n";
    if (!options.splash.empty())
        text += "kiv.splash=" + escapedKivValue(utf8Of(pathOfUtf8(options.splash).filename())) + "\n";
    if (!options.javaDownloadPage.empty())
        text += "kiv.java.download.page=" + escapedKivValue(options.javaDownloadPage) + "\n";
    if (options.attachConsole) text += "kiv.attach.console=true\n";
    return text;
}

std::string nativeAppUsageText() {
    return "  --user-options         read the user's JVM options from %APPDATA%\\VENDOR\\NAME\\NAME.options\n"
           "                         (without --vendor %APPDATA%\\NAME\\NAME.options) when it exists (default)\n"
           "  --no-user-options      read no per-user options\n"
           "  --max-heap-percent N   maximum heap as N % of the machine's memory, 1 to 90; a -Xmx among\n"
           "                         the VM options or the user's options wins\n"
           "  --splash IMAGE         a PNG, GIF or JPEG shown from the VM's first moment (Java's\n"
           "                         -splash:); IMAGE@2x.EXT beside it ships too, for high DPI\n"
           "  --java-download-page URL  where users get the Java that --java-version asks for: the\n"
           "                         error when none is installed names it, the windowed launcher\n"
           "                         offers to open it\n"
           "  --attach-console       with --no-console: started from a console, the program's output\n"
           "                         and the launcher's errors appear there (the console VM shares\n"
           "                         it); started from Explorer or a shortcut, no console as before\n";
}

}  // namespace ruvo_pack

#include "tools/ruvo_pack/engine_layout_check.h"

#include "common/text_convert.h"
#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/install_options.h"
#include "tools/ruvo_pack/jar_listing.h"

namespace ruvo_pack {
namespace {

constexpr char kSettings[] = "setup.settings";
constexpr char kApplicationFolder[] = "app";

// A Class-Path entry is a URL: %XX stands for a byte.
std::string percentDecoded(const std::string& text) {
    auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

bool isEngineLayout(const CheckContext& ctx, const std::string& launcherFolder) {
    const auto found = ctx.index.find(joinedPath(launcherFolder, kSettings));
    return found && ctx.index.isFile(*found);
}

std::string checkEngineLayout(CheckContext& ctx, const std::string& engineFolder) {
    const std::string settingsPath = *ctx.index.find(joinedPath(engineFolder, kSettings));
    if (auto windows = ctx.index.find("Windows"); windows && ctx.index.isDirectory(*windows))
        ctx.add(*windows, 0, Severity::Error,
                "the self-extractor starts a program of Windows/ before the setup engine; an installing payload has "
                "no Windows/ folder");
    const auto programs = ctx.index.filesIn(engineFolder, ".exe");
    if (programs.size() > 1)
        ctx.add(engineFolder, 0, Severity::Error,
                "holds " + std::to_string(programs.size()) +
                    " programs: the self-extractor starts the first by name whatever the installer file is called, "
                    "so the setup engine must be the only one");
    std::string launcher;
    for (const auto& p : checkSetupSettings(ctx.readBytes(settingsPath), &launcher))
        ctx.add(settingsPath, p.line, p.error ? Severity::Error : Severity::Warning, p.text);
    const auto application = ctx.index.find(kApplicationFolder);
    if (!application || !ctx.index.isDirectory(*application)) {
        ctx.add(".", 0, Severity::Error, "no app/ folder beside " + engineFolder + "/: the engine has nothing to install");
        return {};
    }
    for (const auto& file : ctx.index.filesIn(*application, ""))
        if (isEngineFileName(file))
            ctx.add(joinedPath(*application, file), 0, Severity::Error,
                    "the setup engine writes a file of this name into the install folder itself and refuses to "
                    "install over it; rename it or move it into a subfolder");
    if (launcher.empty()) return {};
    const auto found = ctx.index.find(joinedPath(*application, launcher));
    if (!found || !ctx.index.isFile(*found)) {
        ctx.add(settingsPath, 0, Severity::Error, "app.launcher=" + launcher + ": no such file in app/");
        return {};
    }
    return *found;
}

void checkManifestClassPaths(CheckContext& ctx, const std::vector<std::string>& jars) {
    for (const auto& jar : jars) {
        const auto manifest = zipMemberBytes(ctx.root / pathOfUtf8(jar), "META-INF/MANIFEST.MF");
        const auto classPath = manifest ? manifestAttribute(*manifest, "class-path") : std::nullopt;
        if (!classPath) continue;
        for (const auto& written : splitOptionText(*classPath)) {
            const std::string entry = percentDecoded(written);
            // URLs relative to the jar's folder; a scheme, a drive or a leading slash is absolute.
            const size_t colon = entry.find(':');
            const bool absolute = !entry.empty() && (entry[0] == '/' || entry[0] == '\\' ||
                                                     (colon != std::string::npos && colon < entry.find('/')));
            std::string why;
            if (absolute) {
                why = "an absolute path, which exists on the build machine at most";
            } else {
                const auto resolved = resolveIn(folderOf(jar), widened(entry));
                if (!resolved)
                    why = "outside the payload";
                else if (!ctx.index.find(*resolved))
                    why = *resolved + ", which is not in the payload";
            }
            if (!why.empty())
                ctx.add(jar, 0, Severity::Warning,
                        std::string("its manifest's Class-Path names ")
                            .append(entry)
                            .append(": ")
                            .append(why)
                            .append("; on the user's machine the VM finds nothing there"));
        }
    }
}

}  // namespace ruvo_pack

#include "tools/ruvo_pack/application_pack.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <system_error>

#include "common/text_convert.h"
#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/check_command.h"
#include "tools/ruvo_pack/installer_folder.h"
#include "tools/ruvo_pack/jar_listing.h"
#include "tools/ruvo_pack/packer.h"
#include "tools/ruvo_pack/payload_format.h"

namespace fs = std::filesystem;

namespace ruvo_pack {
namespace {

constexpr char kLauncherFolder[] = "Windows_Pure_64_Bit";
constexpr char kRuntimeFolder[] = "runtime";

// The staged payload, removed with everything in it unless kept elsewhere.
class StagingFolder {
public:
    StagingFolder() {
        std::random_device random;
        std::error_code ec;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            fs::path candidate = fs::temp_directory_path(ec) / ("ruvo-pack-" + std::to_string(random()));
            if (!ec && fs::create_directory(candidate, ec) && !ec) path_ = candidate;
        }
    }
    ~StagingFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

bool endsWithJar(const std::string& name) {
    return name.size() > 4 && velmora::asciiLower(name.substr(name.size() - 4)) == ".jar";
}

// Every jar below the folder, '/'-separated, in byte order of the names: the same order on
// every machine.
std::vector<std::string> jarsBelow(const fs::path& folder) {
    std::vector<std::string> jars;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && endsWithJar(utf8Of(it->path().filename())))
            jars.push_back(utf8Of(fs::relative(it->path(), folder, ec)));
    std::sort(jars.begin(), jars.end());
    return jars;
}

bool writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out.flush());
}

int refuse(const std::string& line) {
    std::fprintf(stderr, "ruvo-pack: %s\n", line.c_str());
    return 2;
}

// A shipped file: given explicitly, or the first of the candidates that exists.
fs::path shippedFile(const std::string& given, const std::vector<fs::path>& candidates) {
    if (!given.empty()) return pathOfUtf8(given);
    std::error_code ec;
    for (const auto& candidate : candidates)
        if (fs::is_regular_file(candidate, ec)) return candidate;
    return candidates.front();
}

}  // namespace

int runApplicationMode(const std::vector<std::string>& arguments, const fs::path& programFolder) {
    std::string error;
    ApplicationRequest request = parseApplicationArguments(arguments);
    if (request.help) {
        std::fputs(applicationUsageText().c_str(), stdout);
        std::fputs(brandingUsageText().c_str(), stdout);
        return 0;
    }
    if (!request.error.empty()) return refuse(request.error);
    const ApplicationOptions& o = request.options;
    const std::string name = *o.branding.name;
    std::error_code ec;

    // Everything is judged before anything is written.
    if (!unportableNameReason(name + ".exe").empty() || name.find_first_of("/\\") != std::string::npos)
        return refuse("--name " + name + ": cannot name a Windows file (" + unportableNameReason(name + ".exe") + ")");
    const std::vector<BrandingProblem> problems = checkBranding(o.branding);
    if (!problems.empty()) return refuse(formatProblem(problems.front()));
    const fs::path input = pathOfUtf8(o.input);
    if (!fs::is_directory(input, ec)) return refuse("--input " + o.input + ": not a folder");
    const fs::path mainJar = input / pathOfUtf8(o.mainJar);
    if (!fs::is_regular_file(mainJar, ec))
        return refuse("--main-jar " + o.mainJar + ": no such file in the --input folder " + o.input);
    std::string mainClass = o.mainClass;
    if (mainClass.empty()) {
        auto manifest = zipMemberBytes(mainJar, "META-INF/MANIFEST.MF");
        auto fromManifest = manifest ? manifestMainClass(*manifest) : std::nullopt;
        if (!fromManifest)
            return refuse("--main-jar " + o.mainJar + ": its manifest names no Main-Class; give --main-class");
        mainClass = *fromManifest;
    }
    std::string currentVm, vmList = "ALL";
    if (!o.runtimeImage.empty()) {
        const fs::path image = pathOfUtf8(o.runtimeImage);
        if (fs::is_regular_file(image / "bin" / "java.exe", ec))
            currentVm = std::string(kRuntimeFolder) + "/bin/java.exe";
        else if (fs::is_regular_file(image / "bin" / "javaw.exe", ec))
            currentVm = std::string(kRuntimeFolder) + "/bin/javaw.exe";
        else
            return refuse("--runtime-image " + o.runtimeImage + ": holds neither bin/java.exe nor bin/javaw.exe");
    } else if (!o.javaVersion.empty() && !validVmListOf(o.javaVersion, vmList, error)) {
        return refuse(error);
    }
    // The self-extractor starts the first program of the launcher folder: the input may hold
    // none beside the launcher, and nothing of its own under the launcher's names.
    for (const auto& entry : fs::directory_iterator(input, ec)) {
        const std::string file = utf8Of(entry.path().filename());
        const std::string lowered = velmora::asciiLower(file);
        if (lowered.size() > 4 && lowered.substr(lowered.size() - 4) == ".exe" && entry.is_regular_file(ec))
            return refuse("--input " + o.input + ": " + file +
                          " is a program at the folder's top level, which the installer could start instead of "
                          "the launcher; move it into a subfolder");
        if (lowered == velmora::asciiLower(name + ".kiv") || (!currentVm.empty() && lowered == kRuntimeFolder))
            return refuse("--input " + o.input + ": " + file + " would be replaced by the generated " +
                          (lowered == kRuntimeFolder ? "runtime folder" : ".kiv file"));
    }
    const fs::path launcher = shippedFile(
        o.launcherFolder.empty() ? std::string() : utf8Of(pathOfUtf8(o.launcherFolder) / (o.windowed ? "quillrunw.exe" : "quillrun.exe")),
        {programFolder / (o.windowed ? "quillrunw.exe" : "quillrun.exe"),
         programFolder / ".." / "x64" / (o.windowed ? "quillrunw.exe" : "quillrun.exe")});
    if (!fs::is_regular_file(launcher, ec)) return refuse("no launcher at " + utf8Of(launcher) + "; give --launcher-dir");
    PackOptions pack;
    pack.stub = shippedFile(o.stub, {programFolder / ".." / "i686" / "ruvo.exe", programFolder / "ruvo.exe"});
    if (!fs::is_regular_file(pack.stub, ec)) return refuse("no self-extractor at " + utf8Of(pack.stub) + "; give --stub");
    pack.output = o.output.empty() ? pathOfUtf8(name + ".exe") : pathOfUtf8(o.output);
    pack.level = o.level;
    pack.branding = o.branding;
    if (!readSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"), pack.sourceDateEpoch, error)) return refuse(error);
    const fs::path kept = o.keepPayload.empty() ? fs::path() : pathOfUtf8(o.keepPayload);
    if (!kept.empty() && fs::exists(kept, ec) && !fs::is_empty(kept, ec))
        return refuse("--keep-payload " + o.keepPayload + ": the folder exists and is not empty");

    // The payload: the launcher, its .kiv file, the application's files and the runtime.
    StagingFolder staging;
    if (staging.path().empty()) return refuse("cannot create a folder in the temporary folder");
    pack.folder = staging.path();
    const fs::path folder = staging.path() / kLauncherFolder;
    ApplicationKiv kiv{name, mainClass, {}, o.javaOptions, o.arguments, currentVm, vmList};
    kiv.classPath.push_back(utf8Of(pathOfUtf8(o.mainJar).lexically_normal()));
    for (const auto& jar : jarsBelow(input))
        if (jar != kiv.classPath.front()) kiv.classPath.push_back(jar);
    fs::copy(input, folder, fs::copy_options::recursive, ec);
    if (!ec) fs::copy_file(launcher, folder / pathOfUtf8(name + ".exe"), ec);
    if (!ec && !currentVm.empty())
        fs::copy(pathOfUtf8(o.runtimeImage), folder / kRuntimeFolder, fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "ruvo-pack: cannot lay out the payload: %s\n", ec.message().c_str());
        return 1;
    }
    if (!writeText(folder / pathOfUtf8(name + ".kiv"), applicationKivText(kiv))) {
        std::fprintf(stderr, "ruvo-pack: cannot write %s.kiv in the temporary folder\n", name.c_str());
        return 1;
    }
    if (!kept.empty()) {
        fs::create_directories(kept, ec);
        if (!ec) fs::copy(staging.path(), kept, fs::copy_options::recursive, ec);
        if (ec) {
            std::fprintf(stderr, "ruvo-pack: cannot write --keep-payload %s: %s\n", o.keepPayload.c_str(),
                         ec.message().c_str());
            return 1;
        }
    }

    // The input holds no program at its top, so the launcher starts whatever the installer's name.
    if (!checkBeforePacking(pack, true, InstallerNaming::AnyName)) return 1;
    std::vector<std::string> warnings;
    const bool packed = ruvo_pack::pack(pack, nullptr, error, warnings);
    for (const auto& w : warnings) std::fprintf(stderr, "ruvo-pack: warning: %s\n", w.c_str());
    if (!packed) {
        std::fprintf(stderr, "ruvo-pack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace ruvo_pack

#include "tools/ruvo_pack/application_pack.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "common/text_convert.h"
#include "tools/ruvo_pack/application_heap.h"
#include "tools/ruvo_pack/application_input.h"
#include "tools/ruvo_pack/application_mode.h"
#include "tools/ruvo_pack/branding.h"
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
// An installing installer: the engine and its settings where the self-extractor starts a
// program, the application as it is installed beside them.
constexpr char kEngineFile[] = "setup.exe";
constexpr char kEngineSettings[] = "setup.settings";
constexpr char kApplicationFolder[] = "app";
constexpr char kShippedEngine[] = "quillsetup.exe";
// The self-extractor reads its cleanup switch from the first .kiv of the engine's folder: the
// unpacked folder goes once the engine has ended, whatever became of the install.
constexpr char kEngineKiv[] = "setup.kiv";
constexpr char kEngineKivText[] =
    "# Written by ruvo-pack: the self-extractor removes the unpacked folder once setup.exe has ended.\n"
    "kiv.installer.cleanup=true\n";

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

// A folder's files and folders into `to`, which may exist. std::filesystem::copy is not used:
// the Windows build's refuses to copy into an existing folder ("File exists").
void copyTree(const fs::path& from, const fs::path& to, std::error_code& ec) {
    fs::create_directories(to, ec);
    fs::recursive_directory_iterator it(from, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path target = to / fs::relative(it->path(), from, ec);
        if (ec) return;
        if (it->is_directory(ec))
            fs::create_directories(target, ec);
        else if (!ec)
            fs::copy_file(it->path(), target, ec);
    }
}

bool readFile(const fs::path& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.good() || in.eof();
}

// A shipped program, branded, written into the payload.
bool placeBranded(const fs::path& source, const fs::path& target, const BrandingOptions& branding,
                  const ProductIdentity& identity, std::string& error) {
    Bytes bytes;
    if (!readFile(source, bytes)) {
        error = "cannot read " + utf8Of(source);
        return false;
    }
    if (!brandLauncher(bytes, branding, utf8Of(source), utf8Of(target.filename()), error, &identity)) return false;
    if (!writeText(target, std::string(bytes.begin(), bytes.end()))) {
        error = "cannot write " + utf8Of(target.filename()) + " in the temporary folder";
        return false;
    }
    return true;
}

}  // namespace

namespace {

// What runApplicationMode decided before it writes: the payload's names and
// sources, and the packing options.
struct ApplicationPlan {
  bool installing = false;
  std::string name, appId, mainClass, userOptionsFile, currentVm, vmList,
      heapInitial, heapMax;
  fs::path input, output, launcher, engine, kept;
  std::vector<fs::path> splash;
  std::vector<std::string> javaOptions;
  InputListing inputFiles, runtimeFiles;
  PackOptions pack;
};

// Everything is judged before anything is written: the request's names, files
// and folders, the kit's programs, and the listings of the input folders. A
// refusal is the exit code.
std::optional<int> planApplication(const ApplicationOptions &o,
                                   const fs::path &programFolder,
                                   ApplicationPlan &plan) {
  std::string error;
  std::error_code ec;
  const bool installing = plan.installing =
      o.install.type == OutputType::Install;
  const std::string &name = plan.name = *o.branding.name;

  const std::string nameReason = name.find_first_of("/\\") != std::string::npos
                                     ? "'/' separates folders"
                                     : unportableNameReason(name + ".exe");
  if (!nameReason.empty())
    return refuse("--name " + name + ": cannot name a Windows file (" +
                  nameReason + ")");
  if (installing && !installedNameProblem(name).empty())
    return refuse("--name " + name + ": " + installedNameProblem(name) +
                  " (it names the installed folder)");
  const std::vector<BrandingProblem> problems = checkBranding(o.branding);
  if (!problems.empty())
    return refuse(formatProblem(problems.front()));
  const std::string &appId = plan.appId =
      o.install.appId.empty() ? defaultAppId(name, o.branding.vendor)
                              : o.install.appId;
  if (appId.empty())
    return refuse("--name " + name +
                  ": no letter A-Z or digit in it to make the application id "
                  "of; give --app-id");
  if (!appIdProblem(appId).empty())
    return refuse("the application id " + appId +
                  " made of --vendor and --name " + appIdProblem(appId) +
                  "; give --app-id");
  const fs::path &input = plan.input = pathOfUtf8(o.input);
  if (!fs::is_directory(input, ec))
    return refuse("--input " + o.input + ": not a folder");
  const fs::path mainJar = input / pathOfUtf8(o.mainJar);
  if (!fs::is_regular_file(mainJar, ec))
    return refuse("--main-jar " + o.mainJar +
                  ": no such file in the --input folder " + o.input);
  std::string &mainClass = plan.mainClass = o.mainClass;
  if (mainClass.empty()) {
    auto manifest = zipMemberBytes(mainJar, "META-INF/MANIFEST.MF");
    auto fromManifest = manifest ? manifestMainClass(*manifest) : std::nullopt;
    if (!fromManifest)
      return refuse("--main-jar " + o.mainJar +
                    ": its manifest names no Main-Class; give --main-class");
    mainClass = *fromManifest;
  }
  std::vector<fs::path> &splash = plan.splash;
  if (!o.native.splash.empty() && !splashFiles(o.native.splash, splash, error))
    return refuse(error);
  std::string &userOptionsFile = plan.userOptionsFile;
  if (o.native.userOptions &&
      !userOptionsPath(name, o.branding.vendor, userOptionsFile, error))
    return refuse(error);
  std::string &currentVm = plan.currentVm, &vmList = plan.vmList = "ALL";
  if (!o.runtimeImage.empty()) {
    const fs::path image = pathOfUtf8(o.runtimeImage);
    if (fs::is_regular_file(image / "bin" / "java.exe", ec))
      currentVm = std::string(kRuntimeFolder) + "/bin/java.exe";
    else if (fs::is_regular_file(image / "bin" / "javaw.exe", ec))
      currentVm = std::string(kRuntimeFolder) + "/bin/javaw.exe";
    else
      return refuse("--runtime-image " + o.runtimeImage +
                    ": holds neither bin/java.exe nor bin/javaw.exe");
  } else if (!o.javaVersion.empty() &&
             !validVmListOf(o.javaVersion, vmList, error)) {
    return refuse(error);
  }
  const fs::path &output = plan.output =
      o.output.empty() ? pathOfUtf8(name + ".exe") : pathOfUtf8(o.output);
  // Run type: the self-extractor starts the first program of the launcher
  // folder, so the input may hold none beside the launcher. Either type:
  // nothing of its own under the launcher's names.
  for (const auto &entry : fs::directory_iterator(input, ec)) {
    if (std::error_code same; fs::equivalent(entry.path(), output, same))
      continue; // an earlier build
    const std::string file = utf8Of(entry.path().filename());
    const std::string lowered = velmora::asciiLower(file);
    const bool program = lowered.size() > 4 &&
                         lowered.substr(lowered.size() - 4) == ".exe" &&
                         entry.is_regular_file(ec);
    if (program && !installing)
      return refuse("--input " + o.input + ": " + file +
                    " is a program at the folder's top level, which the "
                    "installer could start instead of "
                    "the launcher; move it into a subfolder");
    for (const auto &image : splash)
      if (lowered == velmora::asciiLower(utf8Of(image.filename())))
        return refuse("--input " + o.input + ": " + file +
                      " would be replaced by the --splash image");
    if (installing && isEngineFileName(file))
      return refuse("--input " + o.input + ": " + file +
                    " is a name the setup engine writes into the install "
                    "folder itself, so it would refuse to install; rename it "
                    "or move it into a subfolder");
    if (lowered == velmora::asciiLower(name + ".kiv") ||
        lowered == velmora::asciiLower(name + ".exe") ||
        (!currentVm.empty() && lowered == kRuntimeFolder))
      return refuse("--input " + o.input + ": " + file +
                    " would be replaced by the generated " +
                    (lowered == kRuntimeFolder ? "runtime folder"
                     : program                 ? "launcher"
                                               : ".kiv file"));
  }
  const std::string launcherName =
      o.windowed ? "quillrunw.exe" : "quillrun.exe";
  auto shippedProgram = [&](const std::string &file) {
    return shippedFile(
        o.launcherFolder.empty() ? std::string()
                                 : utf8Of(pathOfUtf8(o.launcherFolder) / file),
        {programFolder / file, programFolder / ".." / "x64" / file});
  };
  const fs::path &launcher = plan.launcher = shippedProgram(launcherName);
  if (!fs::is_regular_file(launcher, ec))
    return refuse("no launcher at " + utf8Of(launcher) +
                  "; give --launcher-dir");
  const fs::path &engine = plan.engine =
      installing ? shippedProgram(kShippedEngine) : fs::path();
  if (installing && !fs::is_regular_file(engine, ec))
    return refuse("no setup engine at " + utf8Of(engine) +
                  ": --type install needs the shipped x64/quillsetup.exe (give "
                  "--launcher-dir, or --type run)");
  PackOptions &pack = plan.pack;
  pack.stub = shippedFile(o.stub, {programFolder / ".." / "i686" / "ruvo.exe",
                                   programFolder / "ruvo.exe"});
  if (!fs::is_regular_file(pack.stub, ec))
    return refuse("no self-extractor at " + utf8Of(pack.stub) +
                  "; give --stub");
  pack.output = output;
  pack.level = o.level;
  pack.branding = o.branding;
  // Only a per-machine install needs an administrator; the stub's manifest asks
  // for one.
  pack.identity = ProductIdentity{
      appId + ".Installer",
      !(installing && o.install.scope == InstallScope::Machine)};
  pack.brandPayloadLauncher = false;
  if (!readSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"),
                           pack.sourceDateEpoch, error))
    return refuse(error);
  plan.kept = o.keepPayload.empty() ? fs::path() : pathOfUtf8(o.keepPayload);
  if (!plan.kept.empty() && fs::exists(plan.kept, ec) &&
      !fs::is_empty(plan.kept, ec))
    return refuse("--keep-payload " + o.keepPayload +
                  ": the folder exists and is not empty");
  plan.javaOptions = o.javaOptions;
  if (!takeHeapOptions(plan.javaOptions, plan.heapInitial, plan.heapMax, error))
    return refuse(error);
  InputListing &inputFiles = plan.inputFiles, &runtimeFiles = plan.runtimeFiles;
  if (!listInputFolder(input, "--input " + o.input, output, inputFiles,
                       error) ||
      (!currentVm.empty() &&
       !listInputFolder(pathOfUtf8(o.runtimeImage),
                        "--runtime-image " + o.runtimeImage, output,
                        runtimeFiles, error)))
    return refuse(error);
  for (const auto *listing : {&inputFiles, &runtimeFiles})
    for (const auto &w : listing->warnings)
      std::fprintf(stderr, "ruvo-pack: warning: %s\n", w.c_str());

  return std::nullopt;
}

// The payload in root: the launcher, its .kiv file, the application's files and
// the runtime; to install, in app/ beside the engine. 0, or 1 with the reason
// told.
int layOutPayload(const ApplicationOptions &o, const ApplicationPlan &plan,
                  const fs::path &root) {
  const bool installing = plan.installing;
  const std::string &name = plan.name;
  const std::string &appId = plan.appId;
  const fs::path &launcher = plan.launcher;
  const fs::path &engine = plan.engine;
  const fs::path &kept = plan.kept;
  const std::vector<fs::path> &splash = plan.splash;
  std::string error;
  std::error_code ec;
  const fs::path folder =
      root / (installing ? kApplicationFolder : kLauncherFolder);
  ApplicationKiv kiv{name,         plan.mainClass,
                     {},           plan.javaOptions,
                     o.arguments,  plan.currentVm,
                     plan.vmList,  plan.heapInitial,
                     plan.heapMax, {},
                     appId,        installing,
                     !installing};
  kiv.extraLines = nativeAppKivLines(o.native, plan.userOptionsFile);
  kiv.classPath.push_back(utf8Of(pathOfUtf8(o.mainJar).lexically_normal()));
  for (const auto &jar : jarsBelow(plan.input))
    if (jar != kiv.classPath.front())
      kiv.classPath.push_back(jar);
  if (!copyInputFiles(plan.inputFiles, folder, "--input " + o.input, error) ||
      !copyInputFiles(plan.runtimeFiles, folder / kRuntimeFolder,
                      "--runtime-image " + o.runtimeImage, error)) {
    std::fprintf(stderr, "ruvo-pack: %s\n", error.c_str());
    return 1;
  }
  fs::path failed;
  for (const auto &image : splash)
    if (!ec && !fs::copy_file(image, folder / image.filename(), ec))
      failed = image;
  if (ec) {
    std::fprintf(stderr, "ruvo-pack: cannot lay out the payload: %s: %s\n",
                 utf8Of(failed).c_str(), ec.message().c_str());
    return 1;
  }
  if (!placeBranded(launcher, folder / pathOfUtf8(name + ".exe"), o.branding,
                    ProductIdentity{appId, true}, error)) {
    std::fprintf(stderr, "ruvo-pack: %s\n", error.c_str());
    return 1;
  }
  if (!writeText(folder / pathOfUtf8(name + ".kiv"), applicationKivText(kiv))) {
    std::fprintf(stderr,
                 "ruvo-pack: cannot write %s.kiv in the temporary folder\n",
                 name.c_str());
    return 1;
  }
  if (installing) {
    const fs::path engineFolder = root / kLauncherFolder;
    BrandingOptions engineBranding = o.branding;
    if (!engineBranding.description)
      engineBranding.description = name + " Setup";
    const SetupSettings settings{appId,
                                 name,
                                 o.branding.appVersion.value_or("1.0.0.0"),
                                 o.branding.vendor.value_or(""),
                                 name + ".exe",
                                 o.install};
    fs::create_directory(engineFolder, ec);
    // The engine's own manifest decides its level: it asks for elevation
    // itself, per machine.
    if (!placeBranded(engine, engineFolder / kEngineFile, engineBranding,
                      ProductIdentity{appId + ".Setup", false}, error) ||
        !writeText(engineFolder / kEngineSettings,
                   setupSettingsText(settings)) ||
        !writeText(engineFolder / kEngineKiv, kEngineKivText)) {
      std::fprintf(stderr, "ruvo-pack: %s\n",
                   error.empty() ? "cannot write the setup engine's files"
                                 : error.c_str());
      return 1;
    }
  }
  if (!kept.empty()) {
    copyTree(root, kept, ec);
    if (ec) {
      std::fprintf(stderr, "ruvo-pack: cannot write --keep-payload %s: %s\n",
                   o.keepPayload.c_str(), ec.message().c_str());
      return 1;
    }
  }

  return 0;
}

} // namespace

int runApplicationMode(const std::vector<std::string> &arguments,
                       const fs::path &programFolder) {
  ApplicationRequest request = parseApplicationArguments(arguments);
  if (request.help) {
    std::fputs(applicationUsageText().c_str(), stdout);
    std::fputs(brandingUsageText().c_str(), stdout);
    return 0;
  }
  if (!request.error.empty())
    return refuse(request.error);
  const ApplicationOptions &o = request.options;
  ApplicationPlan plan;
  if (std::optional<int> refused = planApplication(o, programFolder, plan))
    return *refused;
  StagingFolder staging;
  if (staging.path().empty())
    return refuse("cannot create a folder in the temporary folder");
  PackOptions &pack = plan.pack;
  pack.folder = staging.path();
  if (int laid = layOutPayload(o, plan, staging.path()))
    return laid;

  // The input holds no program at its top, so the launcher starts whatever the
  // installer's name.
  if (!checkBeforePacking(pack, true, InstallerNaming::AnyName))
    return 1;
  std::string error;
  std::vector<std::string> warnings;
  const bool packed = ruvo_pack::pack(pack, nullptr, error, warnings);
  for (const auto &w : warnings)
    std::fprintf(stderr, "ruvo-pack: warning: %s\n", w.c_str());
  if (!packed) {
    std::fprintf(stderr, "ruvo-pack: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

} // namespace ruvo_pack

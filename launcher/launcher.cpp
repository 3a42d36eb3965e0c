#include "launcher/launcher.h"

#include "common/decimal_text.h"
#include "file_rules/path_text.h"
#include "launcher/console_service.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/environment_snapshot.h"
#include "launcher/file_system.h"
#include "launcher/kiv_locator.h"
#include "launcher/launch_options.h"
#include "launcher/launcher_errors.h"
#include "launcher/message_table.h"
#include "launcher/native_app.h"
#include "launcher/parent_console.h"
#include "launcher/properties/class_path_property.h"
#include "launcher/properties/properties_file.h"
#include "launcher/properties/runtime_properties_file.h"
#include "launcher/vm/build_options.h"
#include "launcher/vm/registry_key.h"
#include "launcher/vm/vm_selection.h"
#include "launcher/vm_process.h"

namespace velmora::launcher {
namespace {

void traceBuildOptions(const std::wstring& path, bool found, const PropertySet& options) {
    if (!trailEnabled()) return;
    if (path.empty()) {
        trail(L"build options: none (the program's name does not end in .exe)");
    } else if (!found) {
        trail(L"build options: " + path + L" not found");
    } else {
        trail(L"build options: read " + path);
        for (const auto& [key, value] : options.entries()) trail(L"build option " + key + L"=" + value);
    }
}

}  // namespace

Launcher::Launcher(LauncherCommandLine commandLine) : commandLine_(std::move(commandLine)) {}

RunContext Launcher::runContext() const {
    return RunContext{appProperties_, vmSpecProperties_, commandLine_, startDirectory_, kivPath_, kivDirectory_,
                      silent_, reducesSignals()};
}

void Launcher::build() {
    const std::wstring argument0 = commandLine_.arguments.empty() ? std::wstring() : commandLine_.arguments[0];
    KivSearchWorld world{[](const std::wstring& p) { return exists(p); }, {}, currentDirectory()};
    // The search path is only consulted (and the environment only read) when the program
    // is not where argument 0 says.
    std::wstring program = normalisePath(argument0);
    std::wstring withExtension = hasExtension(fileNameOf(program)) ? program : program + L".exe";
    if (!exists(withExtension)) world.pathDirectories = EnvironmentSnapshot::current().pathDirectories();
    programPath_ = locateProgramPath(program, world);
    trail(L"program: " + programPath_);

    KivSearchWorld kivWorld = world;
    if (trailEnabled())
        kivWorld.exists = [](const std::wstring& path) {
            const bool found = exists(path);
            trail(L"properties file " + path + (found ? L": found, used" : L": missing"));
            return found;
        };
    kivPath_ = locateKivFile(programPath_, kivWorld);
    loadPropertiesFile(appProperties_, kivPath_);
    // As soon as the key is known, so that every later error reaches that console.
    shareParentConsole(appProperties_, commandLine_.serviceMode);

    // Windows would end the java command line at the NUL and drop what follows, the user's
    // arguments included: such a file is refused whole.
    for (const auto& [key, value] : appProperties_.entries())
        if (value.find(L'\0') != std::wstring::npos)
            throw TerminalError(kivPath_ + L": the value of " + key + L" holds a NUL character, which no command line can carry");

    silent_ = appProperties_.getProperty(L"kiv.installer.windows.ui.default") == L"SILENT";
    // With plain arguments the program is an ordinary one: its output is all that a pipe gets.
    setOwnOutputToTrail(appProperties_.getFlag(L"kiv.nl.java.arguments.plain"));

    const std::vector<std::wstring> problems = kivContentsProblems(appProperties_, getClassPath(appProperties_));
    if (!problems.empty()) {
        // The message says that the file is wrong; the lines after it say where, for the builder.
        std::wstring text = message(kMsgPropertiesInvalid);
        for (const auto& problem : problems) {
            trail(L"properties file " + kivPath_ + L" is invalid: " + problem);
            text += L"\n" + problem;
        }
        throw TerminalError(text);
    }

    vmSpecFound_ = loadBuildOptions(programPath_, vmSpecProperties_, vmSpecPath_, vmSpecDir_);
    traceBuildOptions(vmSpecPath_, vmSpecFound_, vmSpecProperties_);

    startDirectory_ = currentDirectory();
    if (startDirectory_.size() >= 260) startDirectory_.resize(259);

    std::wstring kivDirectory = parentOf(normalisePath(kivPath_), L".");
    if (kivDirectory.size() == 2 && kivDirectory[1] == L':') kivDirectory += L"\\";  // "C:" alone means the drive's current directory
    // The Java program sees this folder as its current one; the launcher's own paths name it.
    // Where it cannot be entered, the program starts in the launcher's own current directory.
    if (!::SetCurrentDirectoryW(kivDirectory.c_str()))
        trail(L"start directory: " + kivDirectory + L" cannot be made the current directory");
    kivDirectory_ = fullPath(kivDirectory, false);
    kivPath_ = fileNameOf(normalisePath(kivPath_));

    ConsoleService::instance().setTitle(appProperties_.getProperty(L"kiv.application.name", L"Quillrun"));

    if (controlKeyDown())
        appendRuntimeProperties({L"kiv.control-key=true\n", L"kiv.stderr.redirect=console\n",
                                 L"kiv.stdout.redirect=console\n"});
}

namespace {

// A plain-arguments program is an ordinary one, which knows nothing of the scratch file: it
// goes once the VM has ended (or did not start), with the environment it holds.
class ScratchFileRemoval {
public:
    explicit ScratchFileRemoval(bool armed) : armed_(armed) {}
    ScratchFileRemoval(const ScratchFileRemoval&) = delete;
    ScratchFileRemoval& operator=(const ScratchFileRemoval&) = delete;
    ~ScratchFileRemoval() {
        if (armed_) removeRuntimePropertiesFile();
    }

private:
    bool armed_;
};

}  // namespace

void Launcher::run(bool wait) {
    const RunContext context = runContext();
    ScratchFileRemoval removal(wait && appProperties_.getFlag(L"kiv.nl.java.arguments.plain"));
    LaunchOptions options = buildLaunchOptions(context);

    chosenVm_ = chooseVm(context, vmSpecFound_, options);
    if (!chosenVm_) {
        trail(L"no VM was chosen: the run ends with message 101");
        throwNoValidVm(appProperties_);
    }
    if (trailEnabled()) trail(L"chosen VM: " + chosenVm_->executablePath() + L" (" + describeVm(*chosenVm_) + L")");

    recordChosenVm(*chosenVm_);
    applyHeapShare(appProperties_, *chosenVm_, options);
    applySplash(appProperties_, kivDirectory_, *chosenVm_, options);
    storeVmProcess(chosenVm_->launchNoWait(options));
    // Housekeeping waits until the VM runs, so that it never delays the start.
    closeKeysKeptOpen();
    sweepScratchFolder();
    if (wait) {
        exitCode_ = waitForExitCode(vmProcess_.get());
        trail(L"the VM ended with exit code " + decimalText(static_cast<int32_t>(exitCode_)));
    }
}

std::vector<std::wstring> kivContentsProblems(const PropertySet& properties, const std::wstring& classPath) {
    auto keyProblem = [&](const std::wstring& key) {
        return properties.contains(key) ? L"the key " + key + L" has no value" : L"the key " + key + L" is missing";
    };
    std::vector<std::wstring> problems;
    if (properties.getProperty(L"kiv.nl.java.launcher.main.class").empty())
        problems.push_back(keyProblem(L"kiv.nl.java.launcher.main.class"));
    if (properties.getProperty(L"kiv.nl.current.vm").empty() && properties.getProperty(L"kiv.nl.valid.vm.list").empty())
        problems.push_back(L"neither kiv.nl.current.vm nor kiv.nl.valid.vm.list has a value");
    if (classPath.empty()) {
        if (properties.getProperty(L"kiv.class.path").empty())
            problems.push_back(keyProblem(L"kiv.class.path"));
        else
            problems.push_back(L"the key kiv.class.path is empty once $ENV_CLASSPATH$ is replaced (CLASSPATH is empty or not set)");
    }
    return problems;
}

bool controlKeyDown() { return (::GetKeyState(VK_CONTROL) & 0x8000) != 0; }

}  // namespace velmora::launcher

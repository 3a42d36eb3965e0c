#include "tools/ruvo_pack/installer_check.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "common/byte_order.h"
#include "common/text_convert.h"
#include "file_rules/list_split.h"
#include "file_rules/path_text.h"
#include "file_rules/property_set.h"
#include "file_rules/property_text.h"
#include "file_rules/vm_list_language.h"
#include "tools/ruvo_pack/build_options_check.h"
#include "tools/ruvo_pack/check_context.h"
#include "tools/ruvo_pack/engine_layout_check.h"
#include "tools/ruvo_pack/jar_listing.h"
#include "tools/ruvo_pack/launcher_choice.h"
#include "tools/ruvo_pack/native_app_options.h"
#include "tools/ruvo_pack/payload_names.h"

namespace fs = std::filesystem;
using velmora::asciiLower;
using velmora::asciiUpper;
using namespace velmora::launcher;

namespace ruvo_pack {
namespace {

// The subsystem field of a Windows program's optional header (2 GUI, 3 console); 0 when the
// file is no such program.
int peSubsystem(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (head.size() < 64 || head.compare(0, 2, "MZ") != 0) return 0;
    const size_t pe = velmora::le32At(head, 0x3C);
    if (pe + 94 > head.size() || head.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    return static_cast<int>(velmora::le16At(head, pe + 92));  // signature, file header, then offset 68 of the optional header
}

constexpr std::string_view kValidatorClass = "com/merrow/util/jvm/Validator.class";

class FolderCheck {
public:
    FolderCheck(const fs::path& root, const CheckOptions& options) : ctx_(root), options_(options) {}

    std::vector<Finding> run() {
        std::error_code ec;
        if (!fs::is_directory(ctx_.root, ec)) {
            ctx_.add(".", 0, Severity::Error, "the installer folder does not exist or is not a folder");
            return std::move(ctx_.findings);
        }
        for (const auto& clash : caseClashes(ctx_.index.storedFiles()))
            ctx_.add(clash.second, 0, Severity::Error, caseClashText(clash));
        if (!chooseLauncher() || !findKiv()) return std::move(ctx_.findings);
        checkKiv();
        checkManifestClassPaths(ctx_, jarFiles_);
        checkBuildOptions(ctx_, launcherFolder_, kivFolder_);
        for (const std::string& folder : {std::string(), launcherFolder_})
            if (auto found = ctx_.index.find(joinedPath(folder, "installer.properties"));
                found && ctx_.index.isFile(*found))
                ctx_.add(*found, 0, Severity::Warning,
                         "not read: the installer reads installer.properties beside the installer file, not from its "
                         "payload");
        // By file, in the order the files were checked, and by line within a file.
        std::vector<std::string> files;
        for (const auto& f : ctx_.findings)
            if (std::find(files.begin(), files.end(), f.path) == files.end()) files.push_back(f.path);
        std::stable_sort(ctx_.findings.begin(), ctx_.findings.end(), [&](const Finding& a, const Finding& b) {
            auto rank = [&](const Finding& f) { return std::find(files.begin(), files.end(), f.path) - files.begin(); };
            return rank(a) != rank(b) ? rank(a) < rank(b) : a.line < b.line;
        });
        return std::move(ctx_.findings);
    }

private:
    bool chooseLauncher() {
        const std::string exe = chosenLauncher(ctx_.index.files(), options_.installerName);
        if (exe.empty()) {
            ctx_.add(
                ".", 0, Severity::Error,
                "no launcher: neither Windows/ nor Windows_Pure_64_Bit/ holds an .exe file for the installer to start");
            return false;
        }
        std::string launcher = exe;
        if (isEngineLayout(ctx_, folderOf(exe))) {
            // The self-extractor starts the setup engine; the launcher is the installed application's.
            launcher = checkEngineLayout(ctx_, folderOf(exe));
            if (launcher.empty()) return false;
            engineLayout_ = true;
        }
        launcherFolder_ = folderOf(launcher);
        launcherBase_ = launcher.substr(launcherFolder_.size() + 1, launcher.size() - launcherFolder_.size() - 5);
        // The launcher comes in two builds; which one decides whether a console window opens.
        const int subsystem = peSubsystem(ctx_.root / pathOfUtf8(launcher));
        consoleLauncher_ = subsystem == 3;
        if (subsystem == 2 || subsystem == 3)
            ctx_.add(launcher, 0, Severity::Note,
                     subsystem == 2 ? "the windowed launcher (quillrunw): no console window, errors in message boxes"
                                    : "the console launcher (quillrun): the program shares a console window");
        if (!options_.installerName.empty() && !engineLayout_ &&
            velmora::asciiLower(launcherBase_) != velmora::asciiLower(options_.installerName))
            ctx_.add(exe, 0, Severity::Warning,
                     "the installer " + options_.installerName + ".exe starts this launcher, " +
                         (velmora::asciiLower(launcherFolder_) == "windows" ? std::string("as")
                                                       : "the first program in " + launcherFolder_ + "/, as") +
                         " Windows/" + options_.installerName +
                         ".exe is not in the folder; name the launcher after the installer");
        return true;
    }

    // Beside the launcher, the launcher's own name with .kiv appended, else in the folder it
    // starts in (the top of the unpacked installer).
    bool findKiv() {
        for (const std::string& candidate :
             {joinedPath(launcherFolder_, launcherBase_ + ".kiv"),
              joinedPath(launcherFolder_, launcherBase_ + ".exe.kiv"), launcherBase_ + ".kiv"})
            if (auto found = ctx_.index.find(candidate); found && ctx_.index.isFile(*found)) {
                kiv_ = *found;
                kivFolder_ = folderOf(kiv_);
                break;
            }
        if (kiv_.empty()) {
            ctx_.add(
                launcherFolder_, 0, Severity::Error,
                "no " + launcherBase_ + ".kiv beside " + launcherBase_ + ".exe: the launcher ends with message 102");
            return false;
        }
        // The installer's -jvmxms and -jvmxmx rewrite the first .kiv of Windows\ (when that
        // folder exists), else of Windows_Pure_64_Bit\.
        std::string rewritten;
        for (const char* folder : {"Windows", "Windows_Pure_64_Bit"}) {
            auto found = ctx_.index.find(folder);
            if (!found || !ctx_.index.isDirectory(*found)) continue;
            auto files = ctx_.index.filesIn(*found, ".kiv");
            if (!files.empty()) rewritten = joinedPath(*found, files.front());
            break;
        }
        if (rewritten != kiv_ && !engineLayout_)
            ctx_.add(kiv_, 0, Severity::Warning,
                     "the installer's -jvmxms and -jvmxmx change " +
                         (rewritten.empty() ? std::string("no file") : rewritten) + ", not this file");
        return true;
    }

    int lineOf(const std::wstring& key) const {
        auto it = kivLines_.find(key);
        return it == kivLines_.end() ? 0 : it->second;
    }

    std::string quoted(const std::wstring& key) const {
        return utf8Text(key) + "=" + utf8Text(kivValues_.getProperty(key));
    }

    void checkValues() {
        for (const auto& entry : kivLines_) {
            const std::wstring& key = entry.first;
            const int line = entry.second;
            const KeyInfo* info = findKey(KeyFile::Kiv, utf8Text(key));
            if (!info) continue;
            const std::wstring value = kivValues_.getProperty(key);
            const std::wstring lowered = asciiLower(value);
            auto warn = [&](const std::string& why) {
                ctx_.add(kiv_, line, Severity::Warning, quoted(key) + ": " + why);
            };
            switch (info->kind) {
                case ValueKind::ByteSize:
                    if (!value.empty() && !isWholeByteSize(value)) {
                        std::wstring number = lowered.substr(0, lowered.size() - 1);
                        std::string why =
                            lowered.back() == L'g' && isWholeInteger(number)
                                ? "the launcher knows the units k and m only and reads \"" + utf8Text(value) +
                                      "\" as " + std::to_string(parseByteSize(value)) + " bytes; write " +
                                      std::to_string(static_cast<int64_t>(parseInteger(number)) * 1024) + "m"
                                : "not a byte size (digits and k or m); the launcher reads it as " +
                                      std::to_string(parseByteSize(value)) + " bytes";
                        ctx_.add(kiv_, line, Severity::Error, quoted(key) + ": " + why);
                    }
                    break;
                case ValueKind::Integer:
                    if (!value.empty() && !isWholeInteger(value))
                        warn("not a whole number; the launcher reads it as " + std::to_string(parseInteger(value)));
                    break;
                case ValueKind::Flag:
                    if (!kivValues_.getFlag(key) && !value.empty() && lowered != L"false" && lowered != L"off" &&
                        lowered != L"f" && lowered != L"no")
                        warn("read as off: a flag is on only for true, on or t");
                    break;
                case ValueKind::Switch:
                    if (!kivValues_.getSwitch(key) && !value.empty() && lowered != L"false" && lowered != L"off" &&
                        lowered != L"no")
                        warn("read as off: this switch is on only for true, yes or on");
                    break;
                case ValueKind::Choice:
                    if (!value.empty() && lowered != L"normal" && lowered != L"all" && lowered != L"gc" &&
                        lowered != L"class" && lowered != L"none")
                        warn(
                            "the launcher knows normal, all, gc, class and none; it prints \"invalid verbosity "
                            "selection\" and adds no -verbose option");
                    break;
                default:
                    break;
            }
        }
        const std::wstring platformKey = L"kiv.nl.win32.java.launcher.platform";
        if (kivValues_.contains(platformKey)) {
            int64_t platform = kivValues_.getByteSize(platformKey, L"1");
            if (platform < 0 || platform > 3)
                ctx_.add(kiv_, lineOf(platformKey), Severity::Warning,
                         quoted(platformKey) + ": the launcher knows 0 to 3; with " + std::to_string(platform) +
                             " the specification files find no VM");
        }
        if (kivValues_.getFlag(L"kiv.nl.java.option.garbage.collection.background.thread"))
            ctx_.add(kiv_, lineOf(L"kiv.nl.java.option.garbage.collection.background.thread"), Severity::Warning,
                     "the launcher adds -Xnoasyncgc, which current VMs refuse: they do not start");
        const std::wstring extent = asciiLower(kivValues_.getProperty(L"kiv.nl.java.option.garbage.collection.extent"));
        if (extent == L"false" || extent == L"off" || extent == L"no" || extent == L"0")
            ctx_.add(kiv_, lineOf(L"kiv.nl.java.option.garbage.collection.extent"), Severity::Warning,
                     "any value adds -Xnoclassgc, this one too; leave the key out to go without it");
        const std::wstring extended = kivValues_.getProperty(L"kiv.nl.vm.search.extended");
        if (extended != L"false" &&
            (asciiLower(extended) == L"false" || asciiLower(extended) == L"off" || asciiLower(extended) == L"no"))
            ctx_.add(kiv_, lineOf(L"kiv.nl.vm.search.extended"), Severity::Warning,
                     "only exactly false turns the extended VM search off");
        const std::wstring ui = kivValues_.getProperty(L"kiv.installer.windows.ui.default");
        if (asciiLower(ui) == L"silent" && ui != L"SILENT")
            ctx_.add(kiv_, lineOf(L"kiv.installer.windows.ui.default"), Severity::Warning,
                     "only SILENT in capitals makes the run silent");

        const std::wstring initialKey = L"kiv.nl.java.option.java.heap.size.initial";
        const std::wstring maxKey = L"kiv.nl.java.option.java.heap.size.max";
        int64_t initial = kivValues_.getByteSize(initialKey, L"0"), max = kivValues_.getByteSize(maxKey, L"0");
        if (initial > 0 && max > 0 && initial > max && isWholeByteSize(kivValues_.getProperty(initialKey)) &&
            isWholeByteSize(kivValues_.getProperty(maxKey)))
            ctx_.add(kiv_, lineOf(maxKey), Severity::Error,
                     "the initial heap (" + std::to_string(initial) + " bytes) is larger than the maximum (" +
                         std::to_string(max) + " bytes): the VM does not start");
        checkNativeAppValues();
    }

    void checkNativeAppValues() {
        const std::wstring percentKey = L"kiv.nl.java.option.java.heap.percent";
        if (kivValues_.contains(percentKey)) {
            const std::wstring value = kivValues_.getProperty(percentKey);
            const int32_t percent = parseInteger(value);
            if (!isWholeInteger(value) || percent < 1 || percent > 90)
                ctx_.add(kiv_, lineOf(percentKey), Severity::Error,
                         quoted(percentKey) + ": the launcher takes a share of 1 to 90 percent and adds nothing for this");
        }
        const std::wstring optionsKey = L"kiv.user.options";
        const std::wstring options = collapseSeparators(kivValues_.getProperty(optionsKey));
        bool climbs = false;
        for (size_t start = 0; start <= options.size();) {
            size_t end = options.find(L'\\', start);
            if (end == std::wstring::npos) end = options.size();
            climbs = climbs || options.compare(start, end - start, L"..") == 0;
            start = end + 1;
        }
        if (!options.empty() && (isAbsolute(options) || climbs))
            ctx_.add(kiv_, lineOf(optionsKey), Severity::Error,
                     quoted(optionsKey) + ": name a file below %APPDATA%, such as Vendor\\Name\\Name.options");
        const std::wstring splashKey = L"kiv.splash";
        const std::wstring splash = kivValues_.getProperty(splashKey);
        if (!splash.empty() && !isAbsolute(collapseSeparators(splash))) {
            auto resolved = resolveIn(kivFolder_, splash);
            if (!resolved || !ctx_.index.isFile(*resolved))
                ctx_.add(kiv_, lineOf(splashKey), Severity::Warning,
                         quoted(splashKey) + ": " + (resolved ? *resolved + " is not in the folder" : std::string("it points outside the folder")) +
                             ", so no splash is shown");
        }
        const std::wstring pageKey = L"kiv.java.download.page";
        const std::wstring page = kivValues_.getProperty(pageKey);
        if (!page.empty() && !isWebPage(utf8Text(page)))
            ctx_.add(kiv_, lineOf(pageKey), Severity::Error,
                     quoted(pageKey) + ": not an http:// or https:// address without spaces; the launcher does not offer it");
        const std::wstring attachKey = L"kiv.attach.console";
        if (consoleLauncher_ && kivValues_.getFlag(attachKey))
            ctx_.add(kiv_, lineOf(attachKey), Severity::Warning,
                     quoted(attachKey) + ": the console launcher ignores it: it always runs in the console it is started from");
        const std::wstring idKey = L"kiv.application.id";
        const std::wstring id = kivValues_.getProperty(idKey);
        if (id.size() > 128 || id.find_first_of(L" \t") != std::wstring::npos)
            ctx_.add(kiv_, lineOf(idKey), Severity::Error,
                     quoted(idKey) + ": an application ID has at most 128 characters and no spaces; Windows ignores this one");
    }

    void checkRequired() {
        auto missing = [&](const std::wstring& key) {
            return lineOf(key) ? utf8Text(key) + " is empty" : utf8Text(key) + " is missing";
        };
        const std::wstring mainKey = L"kiv.nl.java.launcher.main.class";
        if (kivValues_.getProperty(mainKey).empty())
            ctx_.add(kiv_, lineOf(mainKey), Severity::Error, missing(mainKey) + ": the launcher ends with message 104");
        if (kivValues_.getProperty(L"kiv.nl.current.vm").empty() &&
            kivValues_.getProperty(L"kiv.nl.valid.vm.list").empty())
            ctx_.add(kiv_, 0, Severity::Error,
                     "neither kiv.nl.current.vm nor kiv.nl.valid.vm.list is set: the launcher ends with message 104");
        if (kivValues_.getProperty(L"kiv.class.path").empty())
            ctx_.add(kiv_, lineOf(L"kiv.class.path"), Severity::Error,
                     missing(L"kiv.class.path") + ": the launcher ends with message 104");

        for (const std::wstring key : {L"kiv.nl.current.vm", L"kiv.user.dir"}) {
            const std::wstring value = kivValues_.getProperty(key);
            if (value.empty() || isAbsolute(collapseSeparators(value))) continue;
            auto resolved = resolveIn(kivFolder_, value);
            const bool vm = key == L"kiv.nl.current.vm";
            if (resolved && vm && ctx_.index.isFile(*resolved)) {
                // The launcher starts whatever file is named here.
                if (peSubsystem(ctx_.root / pathOfUtf8(*resolved)) == 0)
                    ctx_.add(kiv_, lineOf(key), Severity::Error,
                             quoted(key) + ": " + *resolved +
                                 " is not a Windows program (no PE header): the VM cannot start (message 103)");
                continue;
            }
            if (resolved && (vm ? ctx_.index.isFile(*resolved) : ctx_.index.isDirectory(*resolved))) continue;
            const std::string where = !resolved ? std::string("it points outside the folder")
                                      : vm && ctx_.index.isDirectory(*resolved)
                                          ? *resolved + " is a folder, not a Windows program"
                                          : *resolved + " is not in the folder";
            if (!vm)
                ctx_.add(kiv_, lineOf(key), Severity::Error,
                         quoted(key) + ": " + where + ", so the VM cannot start in it (message 103)");
            else if (kivValues_.getProperty(L"kiv.nl.valid.vm.list").empty())
                ctx_.add(kiv_, lineOf(key), Severity::Error,
                         quoted(key) + ": " + where + " and there is no valid-VM list: the launcher finds no VM");
            else
                ctx_.add(kiv_, lineOf(key), Severity::Warning,
                         quoted(key) + ": " + where + "; the valid-VM list decides");
        }
    }

    // Entries split and resolved as the launcher does; jars and folders remembered for the
    // class searches.
    void checkClassPath() {
        const std::wstring key = L"kiv.class.path";
        const std::wstring value = kivValues_.getProperty(key);
        const int line = lineOf(key);
        const std::wstring marker = L"$ENV_CLASSPATH$";
        if (size_t first = value.find(marker);
            first != std::wstring::npos && value.find(marker, first + 1) != std::wstring::npos)
            ctx_.add(kiv_, line, Severity::Error,
                     "only the first $ENV_CLASSPATH$ is replaced; the others stay as written");
        for (const auto& piece : splitList(value, L';')) {
            const std::string text = utf8Text(piece);
            if (piece.find(marker) != std::wstring::npos) {
                ctx_.add(kiv_, line, Severity::Note,
                         "class path entry '" + text +
                             "' comes from the CLASSPATH variable of the user's machine: not checked");
                classPathSkipped_ = true;
                continue;
            }
            if (piece.find(L'%') != std::wstring::npos) {
                ctx_.add(kiv_, line, Severity::Warning,
                         "class path entry '" + text +
                             "': the launcher does not expand %VARIABLES% here; Java gets the "
                             "entry as written: not checked");
                classPathSkipped_ = true;
                continue;
            }
            const std::wstring entry = collapseSeparators(piece);
            if (size_t colon = entry.find(L':'); colon != std::wstring::npos && colon != 1) {
                ctx_.add(kiv_, line, Severity::Error,
                         "class path entry '" + text +
                             "' contains ':', which does not separate entries: the launcher "
                             "splits the class path at ';' only");
                continue;
            }
            if (isAbsolute(entry)) {
                ctx_.add(kiv_, line, Severity::Note, "class path entry '" + text + "' is absolute: not checked");
                classPathSkipped_ = true;
                continue;
            }
            auto resolved = resolveIn(kivFolder_, entry);
            if (!resolved) {
                ctx_.add(kiv_, line, Severity::Error,
                         "class path entry '" + text + "' points outside the installer folder");
                continue;
            }
            auto found = ctx_.index.find(*resolved);
            if (!found) {
                bool spaced = !piece.empty() && (piece.front() == L' ' || piece.back() == L' ');
                ctx_.add(kiv_, line, Severity::Error,
                         "class path entry '" + text + "': " + *resolved + " is not in the folder" +
                             (spaced ? " (the spaces around ';' belong to the entry)" : ""));
                continue;
            }
            if (ctx_.index.isDirectory(*found)) {
                classFolders_.push_back(*found);
            } else if (auto names = zipMemberNames(ctx_.root / pathOfUtf8(*found))) {
                jars_.push_back(std::move(*names));
                jarFiles_.push_back(*found);
            } else {
                ctx_.add(
                    kiv_, line, Severity::Error,
                    "class path entry '" + text + "': " + *found + " is not a jar the VM can read (no ZIP directory)");
            }
        }
    }

    bool inClassPath(const std::string& member) const {
        for (const auto& names : jars_)
            if (names.count(member)) return true;
        for (const auto& folder : classFolders_)
            if (ctx_.index.isFile(joinedPath(folder, member))) return true;
        return false;
    }

    void checkMainClass() {
        const std::wstring key = L"kiv.nl.java.launcher.main.class";
        std::string mainClass = utf8Text(kivValues_.getProperty(key));
        if (mainClass.empty()) return;
        std::string member = mainClass;
        std::replace(member.begin(), member.end(), '.', '/');
        member += ".class";
        if (inClassPath(member)) return;
        if (classPathSkipped_)
            ctx_.add(kiv_, lineOf(key), Severity::Warning,
                     "main class " + mainClass + " (" + member +
                         ") is in none of the class path's jars and folders here; the entries not checked may hold it");
        else
            ctx_.add(kiv_, lineOf(key), Severity::Error,
                     "main class " + mainClass + " (" + member + ") is in none of the class path's jars and folders");
    }

    void checkValidList() {
        const std::wstring key = L"kiv.nl.valid.vm.list";
        for (const auto& entry : splitValidList(kivValues_.getProperty(key))) {
            const std::wstring upper = asciiUpper(entry);
            if (isFixedListEntry(upper)) continue;
            const CustomEntry parts = splitCustomEntry(upper);
            const std::string name = "valid-VM list entry " + utf8Text(entry);
            // Judged by the launcher's own reading of the version entry.
            const VersionSpecReading spec = readVersionSpec(parts.versionSpec);
            if (spec.markerInside)
                ctx_.add(kiv_, lineOf(key), Severity::Error,
                         name + ": '*' and '+' count only at the end of the version (such as 1.8* or 1.8+)");
            else if (spec.form == VersionSpecForm::MatchesNothing)
                ctx_.add(kiv_, lineOf(key), Severity::Error,
                         name + " matches no VM: a '*' after a third version number never matches; write " +
                             std::to_string(spec.version.major) + "." + std::to_string(spec.version.minor) + "*");
            if (!parts.validatorArgument.empty() && !inClassPath(std::string(kValidatorClass)))
                ctx_.add(
                    kiv_, lineOf(key), classPathSkipped_ ? Severity::Warning : Severity::Error,
                    name + ": " + utf8Text(parts.validatorArgument) +
                        " is neither a kind nor a version, so the launcher hands it to the validator class "
                        "com.merrow.util.jvm.Validator, which the class path does not hold: the entry matches no VM");
        }
    }

    // Windows ends a command line at a NUL, and the user's arguments after it are lost.
    void checkNulCharacters() {
        for (const auto& [key, line] : kivLines_)
            if (kivValues_.getProperty(key).find(L'\0') != std::wstring::npos)
                ctx_.add(kiv_, line, Severity::Error,
                         quoted(key) + ": the value holds a NUL character, at which Windows would end the java "
                                       "command line; the launcher refuses the file");
    }

    // The launcher turns the class path into full paths below the folder the application is
    // installed in; the line it composes is judged at an install folder this long.
    static constexpr size_t kAssumedInstallPathLength = 100;

    void checkCommandLineLength() {
        constexpr size_t kLimit = 32767;  // CreateProcessW's, the terminating zero included
        const size_t folder = kAssumedInstallPathLength;
        auto fullLength = [&](const std::wstring& path) {
            return isAbsolute(collapseSeparators(path)) ? path.size() : folder + 1 + path.size();
        };
        size_t classPath = 0, entries = 0;
        for (const auto& piece : splitList(kivValues_.getProperty(L"kiv.class.path"), L';')) {
            classPath += fullLength(piece) + 1;
            ++entries;
        }
        const std::wstring vm = kivValues_.getProperty(L"kiv.nl.current.vm");
        const size_t additional = kivValues_.getProperty(L"kiv.nl.java.option.additional").size();
        // The VM's path (a found VM's up to the system's 260), the launcher's own options (the
        // module and scaling options, heap sizes, verbosity), the .kiv and scratch files' paths.
        const size_t options = 2 + (vm.empty() ? 260 : fullLength(vm)) + 180 + 1 + additional;
        const size_t program = 1 + kivValues_.getProperty(L"kiv.nl.java.launcher.main.class").size() + 2 * (folder + 40);
        const size_t total = options + 14 + classPath + program;
        if (total < kLimit) return;
        const bool optionsToo = options + program + folder + 20 >= kLimit;  // with "@file" in the class path's place
        const std::wstring key = classPath >= additional ? L"kiv.class.path" : L"kiv.nl.java.option.additional";
        ctx_.add(kiv_, lineOf(key), Severity::Warning,
                 "the java command line comes to about " + std::to_string(total) +
                     " characters when the application is installed in a folder of " + std::to_string(folder) +
                     " characters (the class path has " + std::to_string(entries) + " entries, " +
                     std::to_string(classPath) + " characters; kiv.nl.java.option.additional " +
                     std::to_string(additional) + "), more than the " + std::to_string(kLimit - 1) +
                     " Windows allows: the launcher hands the class path" +
                     (optionsToo ? " and the VM options" : "") +
                     " to VMs of version 9 and later in an argument file; older VMs do not start");
    }

    void checkKiv() {
        const std::string bytes = ctx_.readBytes(kiv_);
        const std::vector<PropertyLine> lines = readPropertyLines(bytes);
        parsePropertyText(bytes, kivValues_);
        for (const auto& line : lines) kivLines_[line.key] = line.firstLine;
        checkPropertySyntax(ctx_, kiv_, bytes, lines);
        checkKnownKeys(ctx_, KeyFile::Kiv, kiv_, lines, false);
        checkValues();
        checkRequired();
        checkClassPath();
        checkMainClass();
        checkValidList();
        checkNulCharacters();
        checkCommandLineLength();
    }

    CheckContext ctx_;
    CheckOptions options_;
    std::string launcherFolder_, launcherBase_, kiv_, kivFolder_;
    PropertySet kivValues_;
    std::map<std::wstring, int> kivLines_;  // the line that set each key last
    std::vector<std::set<std::string>> jars_;
    std::vector<std::string> classFolders_;
    std::vector<std::string> jarFiles_;
    bool classPathSkipped_ = false;
    bool engineLayout_ = false;
    bool consoleLauncher_ = false;
};

}  // namespace

int CheckResult::count(Severity severity) const {
    return static_cast<int>(
        std::count_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.severity == severity; }));
}

CheckResult checkInstallerFolder(const fs::path& folder, const CheckOptions& options) {
    return CheckResult{FolderCheck(folder, options).run()};
}

std::string formatFinding(const Finding& finding) {
    const char* severity = finding.severity == Severity::Error     ? "error"
                           : finding.severity == Severity::Warning ? "warning"
                                                                   : "note";
    // Control characters of a value (a NUL above all) would cut or garble the line on a terminal.
    std::string text;
    for (char c : finding.text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            const char* digits = "0123456789abcdef";
            text += "\\u00";
            text += digits[(c >> 4) & 0xF];
            text += digits[c & 0xF];
        } else {
            text += c;
        }
    }
    std::string line = finding.path;
    if (finding.line > 0) line.append(":").append(std::to_string(finding.line));
    return line.append(": ").append(severity).append(": ").append(text);
}

std::string summaryText(const CheckResult& result) {
    auto counted = [](int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); };
    return counted(result.count(Severity::Error), "error") + ", " + counted(result.count(Severity::Warning), "warning");
}

}  // namespace ruvo_pack

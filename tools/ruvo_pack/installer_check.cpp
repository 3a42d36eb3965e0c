#include "tools/ruvo_pack/installer_check.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "common/text_convert.h"
#include "launcher/list_split.h"
#include "launcher/path_text.h"
#include "launcher/properties/property_set.h"
#include "launcher/properties/property_text.h"
#include "launcher/vm/vm_list_language.h"
#include "launcher/vm/vm_spec_file.h"
#include "tools/ruvo_pack/installer_keys.h"
#include "tools/ruvo_pack/jar_listing.h"

namespace fs = std::filesystem;
using velmora::asciiLower;
using velmora::asciiUpper;
using namespace velmora::launcher;

namespace ruvo_pack {
namespace {

constexpr std::string_view kValidatorClass = "com/merrow/util/jvm/Validator.class";
constexpr const char* kHives[] = {"\\HKEY_CLASSES_ROOT",    "\\HKEY_CURRENT_USER",      "\\HKEY_LOCAL_MACHINE",
                                  "\\HKEY_USERS",           "\\HKEY_PERFORMANCE_DATA",  "\\HKEY_PERFORMANCE_TEXT",
                                  "\\HKEY_PERFORMANCE_NLSTEXT", "\\HKEY_CURRENT_CONFIG", "\\HKEY_DYN_DATA"};

// Text the launcher read (one character per byte, or escapes) as UTF-8 for messages and for
// names on disk.
std::string utf8(std::wstring_view text) {
    std::string out;
    for (wchar_t wc : text) {
        auto c = static_cast<uint32_t>(wc);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::wstring wide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string lower(std::string text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string utf8Of(const fs::path& p) {
    auto u8 = p.generic_u8string();
    return std::string(u8.begin(), u8.end());
}

fs::path pathOfUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string parentOf(const std::string& relative) {
    size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

// A value that the launcher reads whole as a decimal integer (white space and a sign first).
bool isWholeInteger(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < L'0' || text[i] > L'9') return false;
    return true;
}

bool isWholeByteSize(std::wstring_view text) {
    std::wstring value = asciiLower(text);
    if (!value.empty() && (value.back() == L'k' || value.back() == L'm')) value.pop_back();
    return isWholeInteger(value);
}

// The files and folders below the installer folder, found in any letter case as Windows finds them.
class FolderIndex {
public:
    explicit FolderIndex(const fs::path& root) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
            std::string relative = utf8Of(fs::relative(it->path(), root, ec));
            entries_[lower(relative)] = {relative, it->is_directory(ec)};
        }
        entries_[""] = {"", true};
    }

    // The name as stored, or nullopt.
    std::optional<std::string> find(const std::string& relative) const {
        auto it = entries_.find(lower(relative));
        if (it == entries_.end()) return std::nullopt;
        return it->second.name;
    }
    bool isFile(const std::string& relative) const {
        auto it = entries_.find(lower(relative));
        return it != entries_.end() && !it->second.directory;
    }
    bool isDirectory(const std::string& relative) const {
        auto it = entries_.find(lower(relative));
        return it != entries_.end() && it->second.directory;
    }
    // The files of one folder whose names end in `suffix`, in the order a directory listing
    // of an NTFS volume gives them (by upper-cased name).
    std::vector<std::string> filesIn(const std::string& folder, std::string_view suffix) const {
        std::vector<std::string> names;
        std::string prefix = folder.empty() ? std::string() : lower(folder) + "/";
        for (const auto& [key, entry] : entries_) {
            if (entry.directory || key.compare(0, prefix.size(), prefix) != 0) continue;
            std::string rest = key.substr(prefix.size());
            if (rest.find('/') == std::string::npos && rest.size() > suffix.size() && rest.ends_with(suffix))
                names.push_back(entry.name.substr(entry.name.size() - rest.size()));
        }
        return names;  // keys are lower case, so the map's order is the listing's
    }

private:
    struct Entry {
        std::string name;
        bool directory = false;
    };
    std::map<std::string, Entry> entries_;
};

// A path as the launcher writes it, from `base` (relative to the installer folder), as a
// folder-relative path; nullopt when it climbs out of the installer folder.
std::optional<std::string> resolveIn(const std::string& base, std::wstring_view text) {
    std::vector<std::string> parts;
    if (!base.empty()) {
        size_t start = 0;
        for (size_t slash; (slash = base.find('/', start)) != std::string::npos; start = slash + 1)
            parts.push_back(base.substr(start, slash - start));
        parts.push_back(base.substr(start));
    }
    std::string path = utf8(collapseSeparators(text));
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& part : parts) out = joined(out, part);
    return out;
}

class FolderCheck {
public:
    FolderCheck(const fs::path& root, const CheckOptions& options) : root_(root), options_(options), index_(root) {}

    std::vector<Finding> run() {
        std::error_code ec;
        if (!fs::is_directory(root_, ec)) {
            add(".", 0, Severity::Error, "the installer folder does not exist or is not a folder");
            return std::move(findings_);
        }
        if (!chooseLauncher() || !findKiv()) return std::move(findings_);
        checkKiv();
        checkBuildOptions();
        for (const std::string& folder : {std::string(), launcherFolder_})
            if (auto found = index_.find(joined(folder, "installer.properties")); found && index_.isFile(*found))
                add(*found, 0, Severity::Warning,
                    "not read: the installer reads installer.properties beside the installer file, not from its "
                    "payload");
        // By file, in the order the files were checked, and by line within a file.
        std::vector<std::string> files;
        for (const auto& f : findings_)
            if (std::find(files.begin(), files.end(), f.path) == files.end()) files.push_back(f.path);
        std::stable_sort(findings_.begin(), findings_.end(), [&](const Finding& a, const Finding& b) {
            auto rank = [&](const Finding& f) { return std::find(files.begin(), files.end(), f.path) - files.begin(); };
            return rank(a) != rank(b) ? rank(a) < rank(b) : a.line < b.line;
        });
        return std::move(findings_);
    }

private:
    void add(const std::string& path, int line, Severity severity, std::string text) {
        findings_.push_back({path, line, severity, std::move(text)});
    }

    // The self-extractor starts Windows\NAME.exe, else the first .exe in
    // Windows_Pure_64_Bit\, else the first in Windows\.
    bool chooseLauncher() {
        std::optional<std::string> exe;
        if (!options_.installerName.empty()) {
            exe = index_.find("Windows/" + options_.installerName + ".exe");
            if (exe && !index_.isFile(*exe)) exe.reset();
        }
        for (const char* folder : {"Windows_Pure_64_Bit", "Windows"}) {
            if (exe) break;
            auto found = index_.find(folder);
            if (!found || !index_.isDirectory(*found)) continue;
            auto files = index_.filesIn(*found, ".exe");
            if (!files.empty()) exe = joined(*found, files.front());
        }
        if (!exe) {
            add(".", 0, Severity::Error,
                "no launcher: neither Windows/ nor Windows_Pure_64_Bit/ holds an .exe file for the installer to start");
            return false;
        }
        launcherFolder_ = parentOf(*exe);
        launcherBase_ = exe->substr(launcherFolder_.size() + 1, exe->size() - launcherFolder_.size() - 5);
        if (options_.reportLauncherName && !options_.installerName.empty() &&
            lower(launcherBase_) != lower(options_.installerName))
            add(*exe, 0, Severity::Warning,
                "the installer " + options_.installerName + ".exe starts this launcher, as Windows/" +
                    options_.installerName + ".exe is not in the folder; name the launcher after the installer");
        return true;
    }

    // Beside the launcher, the launcher's own name with .kiv appended, else in the folder it
    // starts in (the top of the unpacked installer).
    bool findKiv() {
        for (const std::string& candidate : {joined(launcherFolder_, launcherBase_ + ".kiv"),
                                             joined(launcherFolder_, launcherBase_ + ".exe.kiv"), launcherBase_ + ".kiv"})
            if (auto found = index_.find(candidate); found && index_.isFile(*found)) {
                kiv_ = *found;
                kivFolder_ = parentOf(kiv_);
                break;
            }
        if (kiv_.empty()) {
            add(launcherFolder_, 0, Severity::Error,
                "no " + launcherBase_ + ".kiv beside " + launcherBase_ + ".exe: the launcher ends with message 102");
            return false;
        }
        // The installer's -jvmxms and -jvmxmx rewrite the first .kiv of Windows\ (when that
        // folder exists), else of Windows_Pure_64_Bit\.
        std::string rewritten;
        for (const char* folder : {"Windows", "Windows_Pure_64_Bit"}) {
            auto found = index_.find(folder);
            if (!found || !index_.isDirectory(*found)) continue;
            auto files = index_.filesIn(*found, ".kiv");
            if (!files.empty()) rewritten = joined(*found, files.front());
            break;
        }
        if (rewritten != kiv_)
            add(kiv_, 0, Severity::Warning,
                "the installer's -jvmxms and -jvmxmx change " + (rewritten.empty() ? std::string("no file") : rewritten) +
                    ", not this file");
        return true;
    }

    std::string readBytes(const std::string& relative) const {
        std::ifstream in(root_ / pathOfUtf8(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    int lineOf(const std::wstring& key) const {
        auto it = kivLines_.find(key);
        return it == kivLines_.end() ? 0 : it->second;
    }

    std::string quoted(const std::wstring& key) const { return utf8(key) + "=" + utf8(kivValues_.getProperty(key)); }

    // Lines the reader skips, a byte-order mark, continued values, repeated keys.
    void checkSyntax(const std::string& path, std::string_view bytes, const std::vector<PropertyLine>& lines) {
        if (bytes.starts_with("\xEF\xBB\xBF"))
            add(path, 1, Severity::Warning,
                "the file begins with a UTF-8 byte-order mark, which the launcher reads as part of the first line; "
                "save it without one");
        std::set<int> read;
        std::map<std::wstring, int> seen;
        for (const auto& line : lines) {
            for (int n = line.firstLine; n <= line.lastLine; ++n) read.insert(n);
            if (line.lastLine > line.firstLine)
                add(path, line.firstLine, Severity::Warning,
                    "the value ends with a backslash, so the launcher reads line " + std::to_string(line.firstLine + 1) +
                        " as part of it");
            if (auto it = seen.find(line.key); it != seen.end())
                add(path, line.firstLine, Severity::Warning,
                    utf8(line.key) + " is set again; this value replaces the one of line " + std::to_string(it->second));
            seen[line.key] = line.firstLine;
        }
        bytes = bytes.substr(0, bytes.find('\x1a'));
        int number = 0;
        for (size_t start = 0; start < bytes.size();) {
            size_t end = std::min(bytes.find('\n', start), bytes.size());
            std::string_view raw = bytes.substr(start, end - start);
            start = end + 1;
            ++number;
            if (read.count(number) || raw.empty() || raw[0] == '#') continue;
            if (raw.find_first_not_of(" \t\r\f\v") == std::string_view::npos) continue;
            add(path, number, Severity::Warning,
                "no '=' on this line, so the launcher skips it; only '=' separates a key from its value");
        }
    }

    void checkKnownKeys(KeyFile file, const std::string& path, const std::vector<PropertyLine>& lines,
                        bool everyKeyIsOurs) {
        for (const auto& line : lines) {
            const std::string key = utf8(line.key);
            if (findKey(file, key)) continue;
            if (!key.empty() && key[0] == '#') {
                add(path, line.firstLine, Severity::Warning,
                    "not a comment: only a '#' in the first column starts one, so this line sets the key '" + key + "'");
                continue;
            }
            std::string nearest = nearestKey(file, key);
            if (!nearest.empty())
                add(path, line.firstLine, Severity::Warning, key + ": unknown key; did you mean " + nearest + "?");
            else if (everyKeyIsOurs || key.starts_with("kiv.nl.") || key.starts_with("kiv.win32."))
                add(path, line.firstLine, Severity::Warning, key + ": unknown key; neither the launcher nor ruvo reads it");
        }
    }

    void checkValues() {
        for (const auto& [key, line] : kivLines_) {
            const KeyInfo* info = findKey(KeyFile::Kiv, utf8(key));
            if (!info) continue;
            const std::wstring value = kivValues_.getProperty(key);
            const std::wstring lowered = asciiLower(value);
            auto warn = [&](const std::string& why) { add(kiv_, line, Severity::Warning, quoted(key) + ": " + why); };
            switch (info->kind) {
                case ValueKind::ByteSize:
                    if (!value.empty() && !isWholeByteSize(value)) {
                        std::wstring number = lowered.substr(0, lowered.size() - 1);
                        std::string why = lowered.back() == L'g' && isWholeInteger(number)
                                              ? "the launcher knows the units k and m only and reads \"" + utf8(value) +
                                                    "\" as " + std::to_string(parseByteSize(value)) + " bytes; write " +
                                                    std::to_string(static_cast<int64_t>(parseInteger(number)) * 1024) + "m"
                                              : "not a byte size (digits and k or m); the launcher reads it as " +
                                                    std::to_string(parseByteSize(value)) + " bytes";
                        add(kiv_, line, Severity::Error, quoted(key) + ": " + why);
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
                        warn("the launcher knows normal, all, gc, class and none; it prints \"invalid verbosity "
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
                add(kiv_, lineOf(platformKey), Severity::Warning,
                    quoted(platformKey) + ": the launcher knows 0 to 3; with " + std::to_string(platform) +
                        " the specification files find no VM");
        }
        if (kivValues_.getFlag(L"kiv.nl.java.option.garbage.collection.background.thread"))
            add(kiv_, lineOf(L"kiv.nl.java.option.garbage.collection.background.thread"), Severity::Warning,
                "the launcher adds -Xnoasyncgc, which current VMs refuse: they do not start");
        const std::wstring extent = asciiLower(kivValues_.getProperty(L"kiv.nl.java.option.garbage.collection.extent"));
        if (extent == L"false" || extent == L"off" || extent == L"no" || extent == L"0")
            add(kiv_, lineOf(L"kiv.nl.java.option.garbage.collection.extent"), Severity::Warning,
                "any value adds -Xnoclassgc, this one too; leave the key out to go without it");
        const std::wstring extended = kivValues_.getProperty(L"kiv.nl.vm.search.extended");
        if (extended != L"false" && (asciiLower(extended) == L"false" || asciiLower(extended) == L"off" ||
                                     asciiLower(extended) == L"no"))
            add(kiv_, lineOf(L"kiv.nl.vm.search.extended"), Severity::Warning,
                "only exactly false turns the extended VM search off");
        const std::wstring ui = kivValues_.getProperty(L"kiv.installer.windows.ui.default");
        if (asciiLower(ui) == L"silent" && ui != L"SILENT")
            add(kiv_, lineOf(L"kiv.installer.windows.ui.default"), Severity::Warning,
                "only SILENT in capitals makes the run silent");

        const std::wstring initialKey = L"kiv.nl.java.option.java.heap.size.initial";
        const std::wstring maxKey = L"kiv.nl.java.option.java.heap.size.max";
        int64_t initial = kivValues_.getByteSize(initialKey, L"0"), max = kivValues_.getByteSize(maxKey, L"0");
        if (initial > 0 && max > 0 && initial > max && isWholeByteSize(kivValues_.getProperty(initialKey)) &&
            isWholeByteSize(kivValues_.getProperty(maxKey)))
            add(kiv_, lineOf(maxKey), Severity::Error,
                "the initial heap (" + std::to_string(initial) + " bytes) is larger than the maximum (" +
                    std::to_string(max) + " bytes): the VM does not start");
    }

    void checkRequired() {
        auto missing = [&](const std::wstring& key) {
            return lineOf(key) ? utf8(key) + " is empty" : utf8(key) + " is missing";
        };
        const std::wstring mainKey = L"kiv.nl.java.launcher.main.class";
        if (kivValues_.getProperty(mainKey).empty())
            add(kiv_, lineOf(mainKey), Severity::Error, missing(mainKey) + ": the launcher ends with message 104");
        if (kivValues_.getProperty(L"kiv.nl.current.vm").empty() && kivValues_.getProperty(L"kiv.nl.valid.vm.list").empty())
            add(kiv_, 0, Severity::Error,
                "neither kiv.nl.current.vm nor kiv.nl.valid.vm.list is set: the launcher ends with message 104");
        if (kivValues_.getProperty(L"kiv.class.path").empty())
            add(kiv_, lineOf(L"kiv.class.path"), Severity::Error,
                missing(L"kiv.class.path") + ": the launcher ends with message 104");

        for (const std::wstring key : {L"kiv.nl.current.vm", L"kiv.user.dir"}) {
            const std::wstring value = kivValues_.getProperty(key);
            if (value.empty() || isAbsolute(collapseSeparators(value))) continue;
            auto resolved = resolveIn(kivFolder_, value);
            const bool vm = key == L"kiv.nl.current.vm";
            if (resolved && (vm ? index_.isFile(*resolved) : index_.isDirectory(*resolved))) continue;
            const std::string where = resolved ? *resolved + " is not in the folder" : "it points outside the folder";
            if (!vm)
                add(kiv_, lineOf(key), Severity::Error,
                    quoted(key) + ": " + where + ", so the VM cannot start in it (message 103)");
            else if (kivValues_.getProperty(L"kiv.nl.valid.vm.list").empty())
                add(kiv_, lineOf(key), Severity::Error,
                    quoted(key) + ": " + where + " and there is no valid-VM list: the launcher finds no VM");
            else
                add(kiv_, lineOf(key), Severity::Warning, quoted(key) + ": " + where + "; the valid-VM list decides");
        }
    }

    // Entries split and resolved as the launcher does; jars and folders remembered for the
    // class searches.
    void checkClassPath() {
        const std::wstring key = L"kiv.class.path";
        const std::wstring value = kivValues_.getProperty(key);
        const int line = lineOf(key);
        const std::wstring marker = L"$ENV_CLASSPATH$";
        if (size_t first = value.find(marker); first != std::wstring::npos && value.find(marker, first + 1) != std::wstring::npos)
            add(kiv_, line, Severity::Error, "only the first $ENV_CLASSPATH$ is replaced; the others stay as written");
        for (const auto& piece : splitList(value, L';')) {
            const std::string text = utf8(piece);
            if (piece.find(marker) != std::wstring::npos) {
                add(kiv_, line, Severity::Note,
                    "class path entry '" + text + "' comes from the CLASSPATH variable of the user's machine: not checked");
                classPathSkipped_ = true;
                continue;
            }
            if (piece.find(L'%') != std::wstring::npos) {
                add(kiv_, line, Severity::Warning,
                    "class path entry '" + text + "': the launcher does not expand %VARIABLES% here; Java gets the "
                    "entry as written: not checked");
                classPathSkipped_ = true;
                continue;
            }
            const std::wstring entry = collapseSeparators(piece);
            if (size_t colon = entry.find(L':'); colon != std::wstring::npos && colon != 1) {
                add(kiv_, line, Severity::Error,
                    "class path entry '" + text + "' contains ':', which does not separate entries: the launcher "
                    "splits the class path at ';' only");
                continue;
            }
            if (isAbsolute(entry)) {
                add(kiv_, line, Severity::Note, "class path entry '" + text + "' is absolute: not checked");
                classPathSkipped_ = true;
                continue;
            }
            auto resolved = resolveIn(kivFolder_, entry);
            if (!resolved) {
                add(kiv_, line, Severity::Error, "class path entry '" + text + "' points outside the installer folder");
                continue;
            }
            auto found = index_.find(*resolved);
            if (!found) {
                bool spaced = !piece.empty() && (piece.front() == L' ' || piece.back() == L' ');
                add(kiv_, line, Severity::Error,
                    "class path entry '" + text + "': " + *resolved + " is not in the folder" +
                        (spaced ? " (the spaces around ';' belong to the entry)" : ""));
                continue;
            }
            if (index_.isDirectory(*found)) {
                classFolders_.push_back(*found);
            } else if (auto names = zipMemberNames(root_ / pathOfUtf8(*found))) {
                jars_.push_back(std::move(*names));
            } else {
                add(kiv_, line, Severity::Error,
                    "class path entry '" + text + "': " + *found + " is not a jar the VM can read (no ZIP directory)");
            }
        }
    }

    bool inClassPath(const std::string& member) const {
        for (const auto& names : jars_)
            if (names.count(member)) return true;
        for (const auto& folder : classFolders_)
            if (index_.isFile(joined(folder, member))) return true;
        return false;
    }

    void checkMainClass() {
        const std::wstring key = L"kiv.nl.java.launcher.main.class";
        std::string mainClass = utf8(kivValues_.getProperty(key));
        if (mainClass.empty()) return;
        std::string member = mainClass;
        std::replace(member.begin(), member.end(), '.', '/');
        member += ".class";
        if (inClassPath(member)) return;
        if (classPathSkipped_)
            add(kiv_, lineOf(key), Severity::Warning,
                "main class " + mainClass + " (" + member +
                    ") is in none of the class path's jars and folders here; the entries not checked may hold it");
        else
            add(kiv_, lineOf(key), Severity::Error,
                "main class " + mainClass + " (" + member + ") is in none of the class path's jars and folders");
    }

    void checkValidList() {
        const std::wstring key = L"kiv.nl.valid.vm.list";
        for (const auto& entry : splitValidList(kivValues_.getProperty(key))) {
            const std::wstring upper = asciiUpper(entry);
            if (isFixedListEntry(upper)) continue;
            const CustomEntry parts = splitCustomEntry(upper);
            const std::string name = "valid-VM list entry " + utf8(entry);
            const std::wstring& spec = parts.versionSpec;
            size_t marker = spec.find_first_of(L"*+");
            if (marker != std::wstring::npos && marker + 1 != spec.size()) {
                add(kiv_, lineOf(key), Severity::Error,
                    name + ": '*' and '+' count only at the end of the version (such as 1.8* or 1.8+)");
            } else if (!spec.empty() && spec.back() == L'*') {
                VmVersion version = parseVersionText(spec.substr(0, spec.size() - 1));
                if (version.micro != 0)
                    add(kiv_, lineOf(key), Severity::Error,
                        name + " matches no VM: a '*' after a third version number never matches; write " +
                            std::to_string(version.major) + "." + std::to_string(version.minor) + "*");
            }
            if (!parts.validatorArgument.empty() && !inClassPath(std::string(kValidatorClass)))
                add(kiv_, lineOf(key), classPathSkipped_ ? Severity::Warning : Severity::Error,
                    name + ": " + utf8(parts.validatorArgument) +
                        " is neither a kind nor a version, so the launcher hands it to the validator class "
                        "com.merrow.util.jvm.Validator, which the class path does not hold: the entry matches no VM");
        }
    }

    void checkKiv() {
        const std::string bytes = readBytes(kiv_);
        const std::vector<PropertyLine> lines = readPropertyLines(bytes);
        parsePropertyText(bytes, kivValues_);
        for (const auto& line : lines) kivLines_[line.key] = line.firstLine;
        checkSyntax(kiv_, bytes, lines);
        checkKnownKeys(KeyFile::Kiv, kiv_, lines, false);
        checkValues();
        checkRequired();
        checkClassPath();
        checkMainClass();
        checkValidList();
    }

    void checkUrl(const PropertySet& build, const std::string& path, const std::map<std::wstring, int>& lines,
                  int option, const std::wstring& urlKey, const std::wstring& md5Key) {
        auto lineOfKey = [&](const std::wstring& key) {
            auto it = lines.find(key);
            return it == lines.end() ? 0 : it->second;
        };
        const std::wstring url = build.getProperty(urlKey);
        const std::string head = "option " + std::to_string(option) + " downloads the VM pack at " + utf8(urlKey);
        if (url.empty())
            add(path, lineOfKey(urlKey), Severity::Error, head + ", which is not set");
        else if (!url.starts_with(L"http") && !url.starts_with(L"ftp"))
            add(path, lineOfKey(urlKey), Severity::Error,
                head + ": the launcher downloads only from URLs that begin with http or ftp in lower case");
        else if (!url.ends_with(L".vm"))
            add(path, lineOfKey(urlKey), Severity::Error, head + ": the launcher takes only VM packs whose URL ends in .vm");
        const std::wstring applicable = build.getProperty(md5Key + L".applicable");
        const std::wstring md5 = build.getProperty(md5Key + L".value");
        if (applicable == L"true" &&
            (md5.size() != 32 || md5.find_first_not_of(L"0123456789abcdef") != std::wstring::npos))
            add(path, lineOfKey(md5Key + L".value"), Severity::Error,
                utf8(md5Key) + ".value must be 32 lower-case hexadecimal digits: the launcher compares it exactly");
        else if (applicable != L"true" && asciiLower(applicable) == L"true")
            add(path, lineOfKey(md5Key + L".applicable"), Severity::Warning,
                "only exactly true turns the MD5 check on");
    }

    void checkBuildOptions() {
        auto found = index_.find(joined(launcherFolder_, "jvmspecs/jvmspecs.properties"));
        if (!found || !index_.isFile(*found)) return;
        const std::string path = *found;
        const std::string bytes = readBytes(path);
        const std::vector<PropertyLine> lines = readPropertyLines(bytes);
        PropertySet build;
        parsePropertyText(bytes, build);
        std::map<std::wstring, int> lineOf;
        for (const auto& line : lines) lineOf[line.key] = line.firstLine;
        auto lineOfKey = [&](const std::wstring& key) {
            auto it = lineOf.find(key);
            return it == lineOf.end() ? 0 : it->second;
        };
        checkSyntax(path, bytes, lines);
        checkKnownKeys(KeyFile::BuildOptions, path, lines, true);

        const std::wstring option = build.getProperty(L"build.option");
        if (option != L"withvm" && option != L"withoutvm")
            add(path, lineOfKey(L"build.option"), Severity::Error,
                "build.option is " + (option.empty() ? std::string("not set") : "'" + utf8(option) + "'") +
                    ": the launcher finds no VM unless it is withvm or withoutvm (in lower case)");

        struct Choice {
            const wchar_t* key;
            const wchar_t* fallback;
            std::set<int32_t> known;
        };
        const Choice choices[] = {{L"build.with.vm.search.option", L"20", {20, 21}},
                                  {L"build.without.vm.search.option", L"10", {10, 11, 12}}};
        for (const auto& choice : choices) {
            const std::wstring value = build.getProperty(choice.key, choice.fallback);
            if (!isWholeInteger(value) || !choice.known.count(parseInteger(value))) {
                std::string known;
                for (int32_t n : choice.known)
                    known += (known.empty() ? "" : n == *choice.known.rbegin() ? " and " : ", ") + std::to_string(n);
                add(path, lineOfKey(choice.key), Severity::Error,
                    utf8(choice.key) + "=" + utf8(value) + ": the launcher knows " + known + " only and finds no VM");
            }
        }
        if (option == L"withvm") {
            const int32_t search = build.getInteger(L"build.with.vm.search.option", L"20");
            bool shipped = false;
            for (const char* vm : {"Windows/resource/jre/bin/java.exe", "Windows/resource/jre/jre/bin/java.exe",
                                   "Windows_Pure_64_Bit/resource/jre/bin/java.exe",
                                   "Windows_Pure_64_Bit/resource/jre/jre/bin/java.exe"})
                shipped = shipped || index_.isFile(vm);
            if (!shipped && (search == 20 || search == 21))
                add(path, lineOfKey(L"build.option"), search == 21 ? Severity::Error : Severity::Warning,
                    std::string("withvm: the folder ships no VM (Windows/resource/jre/bin/java.exe or "
                                "Windows_Pure_64_Bit/resource/jre/bin/java.exe)") +
                        (search == 21 ? ", which option 21 starts" : ", which option 20 starts when the search finds none"));
        } else if (option == L"withoutvm") {
            const int32_t search = build.getInteger(L"build.without.vm.search.option", L"10");
            if (search == 11)
                checkUrl(build, path, lineOf, 11, L"build.without.vm.not.found.download.url",
                         L"build.without.vm.not.found.download.url.md5Checksum");
            if (search == 12)
                checkUrl(build, path, lineOf, 12, L"build.without.vm.direct.download.url",
                         L"build.without.vm.dont.search.download.url.md5Checksum");
        }
        checkSpecFiles(build, path, lineOfKey);
    }

    template <typename LineOf>
    void checkSpecFiles(const PropertySet& build, const std::string& path, const LineOf& lineOfKey) {
        const std::wstring applicable = build.getProperty(L"build.jvmspec.applicable");
        const std::wstring totalText = build.getProperty(L"build.jvmspec.total.num", L"0");
        if (applicable != L"true" && asciiLower(applicable) == L"true")
            add(path, lineOfKey(L"build.jvmspec.applicable"), Severity::Warning,
                "only exactly true turns the specification files on");
        if (!isWholeInteger(totalText))
            add(path, lineOfKey(L"build.jvmspec.total.num"), Severity::Error,
                "build.jvmspec.total.num=" + utf8(totalText) + ": not a whole number; the launcher reads it as " +
                    std::to_string(parseInteger(totalText)));
        const int32_t total = parseInteger(totalText);
        for (const auto& [key, value] : build.entries()) {
            const std::wstring prefix = L"build.jvmspec.";
            if (!key.starts_with(prefix) || !findKey(KeyFile::BuildOptions, utf8(key)) ||
                key.find_first_not_of(L"0123456789", prefix.size()) != std::wstring::npos)
                continue;
            if (parseInteger(key.substr(prefix.size())) >= total)
                add(path, lineOfKey(key), Severity::Warning,
                    utf8(key) + " is not used: build.jvmspec.total.num is " + std::to_string(total));
        }
        if (applicable != L"true" || total <= 0) return;

        VmSpec spec;  // one for the run: single values carry over from file to file
        std::set<std::string> verifyFolders;
        for (int32_t n = 0; n < total && n < 1000; ++n) {
            const std::wstring key = L"build.jvmspec." + std::to_wstring(n);
            const std::wstring name = build.getProperty(key);
            if (name.empty()) {
                add(path, lineOfKey(L"build.jvmspec.total.num"), Severity::Error,
                    utf8(key) + " is not set, yet build.jvmspec.total.num is " + std::to_string(total) +
                        ": the launcher stops with an error");
                continue;
            }
            auto resolved = resolveIn(kivFolder_, L"jvmspecs\\" + name);
            auto found = resolved ? index_.find(*resolved) : std::nullopt;
            if (!found || !index_.isFile(*found)) {
                add(path, lineOfKey(key), Severity::Error,
                    "the specification file " + (resolved ? *resolved : utf8(name)) +
                        " is not in the folder: the launcher stops with an error");
                continue;
            }
            checkSpecFile(*found, spec);
            const std::string specFolder = parentOf(*found);
            std::string verify = joined(specFolder, "Verify.jar");
            if (!index_.isFile(verify) && !lower(specFolder).ends_with("jvmspecs"))
                verify = joined(specFolder, "jvmspecs/Verify.jar");
            if (!index_.isFile(verify) && verifyFolders.insert(specFolder).second)
                add(*found, 0, Severity::Error,
                    verify + " is not in the folder: without it no VM passes the specification search");
        }
    }

    void checkSpecFile(const std::string& path, VmSpec& spec) {
        const std::string bytes = readBytes(path);
        parseVmSpecText(bytes, spec);
        // Lines are found by their trimmed text: the parser keeps no line numbers.
        std::vector<std::wstring> trimmedLines;
        for (size_t start = 0; start <= bytes.size();) {
            size_t end = std::min(bytes.find('\n', start), bytes.size());
            std::wstring line;
            for (char c : bytes.substr(start, end - start)) line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
            trimmedLines.push_back(trimmedText(line));
            start = end + 1;
        }
        auto lineOfText = [&](const std::wstring& text) {
            auto it = std::find(trimmedLines.begin(), trimmedLines.end(), text);
            return it == trimmedLines.end() ? 0 : static_cast<int>(it - trimmedLines.begin()) + 1;
        };
        if (spec.jvmExe().empty())
            add(path, 0, Severity::Error,
                "no JVM_EXE: line (here or in an earlier file): the launcher cannot tell which executable to run");
        if (spec.registryHints.empty() && spec.pathHints.empty())
            add(path, 0, Severity::Warning, "no PLATFORM_HINT: or PATH_HINT: lines: this file finds no VM");
        // A section that a /: line did not end swallows the keys after it.
        auto swallowedKey = [](const std::wstring& text) -> std::wstring {
            for (const wchar_t* key : kVmSpecSectionKeys)
                if (text.find(key) != std::wstring::npos) return key;
            for (const wchar_t* key : kVmSpecValueKeys)
                if (text.find(key) != std::wstring::npos) return key;
            return {};
        };
        std::vector<std::wstring> sectionLines(spec.registryHints);
        sectionLines.insert(sectionLines.end(), spec.pathHints.begin(), spec.pathHints.end());
        for (const auto& [name, expected] : spec.propertyChecks) sectionLines.push_back(name);
        for (const auto& text : sectionLines)
            if (std::wstring key = swallowedKey(text); !key.empty())
                add(path, lineOfText(text), Severity::Warning,
                    utf8(key) + " inside a section is not read as a key; end the section with a /: line first");
        for (const auto& hint : spec.registryHints)
            if (swallowedKey(hint).empty() &&
                std::none_of(std::begin(kHives), std::end(kHives),
                             [&](const char* hive) { return hint.starts_with(wide(hive)); }))
                add(path, lineOfText(hint), Severity::Error,
                    "registry hint " + utf8(hint) + " names no hive (such as \\HKEY_LOCAL_MACHINE): it finds nothing");
    }

    fs::path root_;
    CheckOptions options_;
    FolderIndex index_;
    std::vector<Finding> findings_;
    std::string launcherFolder_, launcherBase_, kiv_, kivFolder_;
    PropertySet kivValues_;
    std::map<std::wstring, int> kivLines_;  // the line that set each key last
    std::vector<std::set<std::string>> jars_;
    std::vector<std::string> classFolders_;
    bool classPathSkipped_ = false;
};

}  // namespace

int CheckResult::count(Severity severity) const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [&](const Finding& f) { return f.severity == severity; }));
}

CheckResult checkInstallerFolder(const fs::path& folder, const CheckOptions& options) {
    return CheckResult{FolderCheck(folder, options).run()};
}

std::string formatFinding(const Finding& finding) {
    const char* severity = finding.severity == Severity::Error     ? "error"
                           : finding.severity == Severity::Warning ? "warning"
                                                                   : "note";
    return finding.path + (finding.line > 0 ? ":" + std::to_string(finding.line) : std::string()) + ": " + severity +
           ": " + finding.text;
}

std::string summaryText(const CheckResult& result) {
    auto counted = [](int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); };
    return counted(result.count(Severity::Error), "error") + ", " + counted(result.count(Severity::Warning), "warning");
}

}  // namespace ruvo_pack

#include "tools/ruvo_pack/build_options_check.h"

#include <algorithm>
#include <map>
#include <set>

#include "common/text_convert.h"
#include "file_rules/build_option_numbers.h"
#include "file_rules/property_set.h"
#include "file_rules/vm_spec_file.h"

using velmora::asciiLower;
using namespace velmora::launcher;

namespace ruvo_pack {
namespace {

constexpr const char* kHives[] = {
    "\\HKEY_CLASSES_ROOT",     "\\HKEY_CURRENT_USER",     "\\HKEY_LOCAL_MACHINE",       "\\HKEY_USERS",
    "\\HKEY_PERFORMANCE_DATA", "\\HKEY_PERFORMANCE_TEXT", "\\HKEY_PERFORMANCE_NLSTEXT", "\\HKEY_CURRENT_CONFIG",
    "\\HKEY_DYN_DATA"};

void checkUrl(CheckContext& ctx, const PropertySet& build, const std::string& path,
              const std::map<std::wstring, int>& lines, BuildSearchOption option, const std::wstring& urlKey,
              const std::wstring& md5Key) {
    auto lineOfKey = [&](const std::wstring& key) {
        auto it = lines.find(key);
        return it == lines.end() ? 0 : it->second;
    };
    const std::wstring url = build.getProperty(urlKey);
    const std::string head = "option " + std::to_string(option) + " downloads the VM pack at " + utf8Text(urlKey);
    if (url.empty())
        ctx.add(path, lineOfKey(urlKey), Severity::Error, head + ", which is not set");
    else if (!url.starts_with(L"http") && !url.starts_with(L"ftp"))
        ctx.add(path, lineOfKey(urlKey), Severity::Error,
                head + ": the launcher downloads only from URLs that begin with http or ftp in lower case");
    else if (!url.ends_with(L".vm"))
        ctx.add(path, lineOfKey(urlKey), Severity::Error,
                head + ": the launcher takes only VM packs whose URL ends in .vm");
    const std::wstring applicable = build.getProperty(md5Key + L".applicable");
    const std::wstring md5 = build.getProperty(md5Key + L".value");
    if (applicable == L"true" && (md5.size() != 32 || md5.find_first_not_of(L"0123456789abcdef") != std::wstring::npos))
        ctx.add(path, lineOfKey(md5Key + L".value"), Severity::Error,
                utf8Text(md5Key) + ".value must be 32 lower-case hexadecimal digits: the launcher compares it exactly");
    else if (applicable != L"true" && asciiLower(applicable) == L"true")
        ctx.add(path, lineOfKey(md5Key + L".applicable"), Severity::Warning,
                "only exactly true turns the MD5 check on");
}

void checkSpecFile(CheckContext& ctx, const std::string& path, VmSpec& spec) {
    const std::string bytes = ctx.readBytes(path);
    parseVmSpecText(bytes, spec);
    // Lines are found by their trimmed text: the parser keeps no line numbers.
    std::vector<std::wstring> trimmedLines;
    for (size_t start = 0; start <= bytes.size();) {
        size_t end = std::min(bytes.find('\n', start), bytes.size());
        std::wstring line;
        for (char c : bytes.substr(start, end - start))
            line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        trimmedLines.push_back(trimmedText(line));
        start = end + 1;
    }
    auto lineOfText = [&](const std::wstring& text) {
        auto it = std::find(trimmedLines.begin(), trimmedLines.end(), text);
        return it == trimmedLines.end() ? 0 : static_cast<int>(it - trimmedLines.begin()) + 1;
    };
    if (spec.jvmExe().empty())
        ctx.add(path, 0, Severity::Error,
                "no JVM_EXE: line (here or in an earlier file): the launcher cannot tell which executable to run");
    if (spec.registryHints.empty() && spec.pathHints.empty())
        ctx.add(path, 0, Severity::Warning, "no PLATFORM_HINT: or PATH_HINT: lines: this file finds no VM");
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
            ctx.add(path, lineOfText(text), Severity::Warning,
                    utf8Text(key) + " inside a section is not read as a key; end the section with a /: line first");
    for (const auto& hint : spec.registryHints)
        if (swallowedKey(hint).empty() && std::none_of(std::begin(kHives), std::end(kHives), [&](const char* hive) {
                return hint.starts_with(widened(hive));
            }))
            ctx.add(
                path, lineOfText(hint), Severity::Error,
                "registry hint " + utf8Text(hint) + " names no hive (such as \\HKEY_LOCAL_MACHINE): it finds nothing");
}

template <typename LineOf>
void checkSpecFiles(CheckContext& ctx, const std::string& kivFolder, const PropertySet& build, const std::string& path,
                    const LineOf& lineOfKey) {
    const std::wstring applicable = build.getProperty(L"build.jvmspec.applicable");
    const std::wstring totalText = build.getProperty(L"build.jvmspec.total.num", L"0");
    if (applicable != L"true" && asciiLower(applicable) == L"true")
        ctx.add(path, lineOfKey(L"build.jvmspec.applicable"), Severity::Warning,
                "only exactly true turns the specification files on");
    if (!isWholeInteger(totalText))
        ctx.add(path, lineOfKey(L"build.jvmspec.total.num"), Severity::Error,
                "build.jvmspec.total.num=" + utf8Text(totalText) + ": not a whole number; the launcher reads it as " +
                    std::to_string(parseInteger(totalText)));
    const int32_t total = parseInteger(totalText);
    for (const auto& [key, value] : build.entries()) {
        const std::wstring prefix = L"build.jvmspec.";
        if (!key.starts_with(prefix) || !findKey(KeyFile::BuildOptions, utf8Text(key)) ||
            key.find_first_not_of(L"0123456789", prefix.size()) != std::wstring::npos)
            continue;
        if (parseInteger(key.substr(prefix.size())) >= total)
            ctx.add(path, lineOfKey(key), Severity::Warning,
                    utf8Text(key) + " is not used: build.jvmspec.total.num is " + std::to_string(total));
    }
    if (applicable != L"true" || total <= 0) return;

    VmSpec spec;  // one for the run: single values carry over from file to file
    std::set<std::string> verifyFolders;
    for (int32_t n = 0; n < total && n < 1000; ++n) {
        const std::wstring key = L"build.jvmspec." + std::to_wstring(n);
        const std::wstring name = build.getProperty(key);
        if (name.empty()) {
            ctx.add(path, lineOfKey(L"build.jvmspec.total.num"), Severity::Error,
                    utf8Text(key) + " is not set, yet build.jvmspec.total.num is " + std::to_string(total) +
                        ": the launcher stops with an error");
            continue;
        }
        auto resolved = resolveIn(kivFolder, L"jvmspecs\\" + name);
        auto found = resolved ? ctx.index.find(*resolved) : std::nullopt;
        if (!found || !ctx.index.isFile(*found)) {
            ctx.add(path, lineOfKey(key), Severity::Error,
                    "the specification file " + (resolved ? *resolved : utf8Text(name)) +
                        " is not in the folder: the launcher stops with an error");
            continue;
        }
        checkSpecFile(ctx, *found, spec);
        const std::string specFolder = folderOf(*found);
        std::string verify = joinedPath(specFolder, "Verify.jar");
        if (!ctx.index.isFile(verify) && !velmora::asciiLower(specFolder).ends_with("jvmspecs"))
            verify = joinedPath(specFolder, "jvmspecs/Verify.jar");
        if (!ctx.index.isFile(verify) && verifyFolders.insert(specFolder).second)
            ctx.add(*found, 0, Severity::Error,
                    verify + " is not in the folder: without it no VM passes the search by specification files");
    }
}

}  // namespace

void checkBuildOptions(CheckContext& ctx, const std::string& launcherFolder, const std::string& kivFolder) {
    auto found = ctx.index.find(joinedPath(launcherFolder, "jvmspecs/jvmspecs.properties"));
    if (!found || !ctx.index.isFile(*found)) return;
    const std::string path = *found;
    const std::string bytes = ctx.readBytes(path);
    const std::vector<PropertyLine> lines = readPropertyLines(bytes);
    PropertySet build;
    parsePropertyText(bytes, build);
    std::map<std::wstring, int> lineOf;
    for (const auto& line : lines) lineOf[line.key] = line.firstLine;
    auto lineOfKey = [&](const std::wstring& key) {
        auto it = lineOf.find(key);
        return it == lineOf.end() ? 0 : it->second;
    };
    checkPropertySyntax(ctx, path, bytes, lines);
    checkKnownKeys(ctx, KeyFile::BuildOptions, path, lines, true);

    const std::wstring option = build.getProperty(L"build.option");
    if (option != L"withvm" && option != L"withoutvm")
        ctx.add(path, lineOfKey(L"build.option"), Severity::Error,
                "build.option is " + (option.empty() ? std::string("not set") : "'" + utf8Text(option) + "'") +
                    ": the launcher finds no VM unless it is withvm or withoutvm (in lower case)");

    struct Choice {
        const wchar_t* key;
        BuildSearchOption fallback;
        std::set<int32_t> known;
    };
    const Choice choices[] = {
        {L"build.with.vm.search.option", kSearchThenShippedVm, {kSearchThenShippedVm, kShippedVmOnly}},
        {L"build.without.vm.search.option", kSearchOnly, {kSearchOnly, kSearchThenVmPack, kVmPackOnly}}};
    for (const auto& choice : choices) {
        const std::wstring value = build.getProperty(choice.key, std::to_wstring(choice.fallback));
        if (!isWholeInteger(value) || !choice.known.count(parseInteger(value))) {
            std::string known;
            for (int32_t n : choice.known)
                known += (known.empty() ? "" : n == *choice.known.rbegin() ? " and " : ", ") + std::to_string(n);
            ctx.add(path, lineOfKey(choice.key), Severity::Error,
                    utf8Text(choice.key) + "=" + utf8Text(value) + ": the launcher knows " + known +
                        " only and finds no VM");
        }
    }
    if (option == L"withvm") {
        const int32_t search =
            build.getInteger(L"build.with.vm.search.option", std::to_wstring(kSearchThenShippedVm));
        bool shipped = false;
        for (const char* vm :
             {"Windows/resource/jre/bin/java.exe", "Windows/resource/jre/jre/bin/java.exe",
              "Windows_Pure_64_Bit/resource/jre/bin/java.exe", "Windows_Pure_64_Bit/resource/jre/jre/bin/java.exe"})
            shipped = shipped || ctx.index.isFile(vm);
        if (!shipped && (search == kSearchThenShippedVm || search == kShippedVmOnly))
            ctx.add(path, lineOfKey(L"build.option"), search == kShippedVmOnly ? Severity::Error : Severity::Warning,
                    std::string("withvm: the folder ships no VM (Windows/resource/jre/bin/java.exe or "
                                "Windows_Pure_64_Bit/resource/jre/bin/java.exe)") +
                        (search == kShippedVmOnly
                             ? ", which option " + std::to_string(kShippedVmOnly) + " starts"
                             : ", which option " + std::to_string(kSearchThenShippedVm) +
                                   " starts when the search finds none"));
    } else if (option == L"withoutvm") {
        const int32_t search = build.getInteger(L"build.without.vm.search.option", std::to_wstring(kSearchOnly));
        if (search == kSearchThenVmPack)
            checkUrl(ctx, build, path, lineOf, kSearchThenVmPack, L"build.without.vm.not.found.download.url",
                     L"build.without.vm.not.found.download.url.md5Checksum");
        if (search == kVmPackOnly)
            checkUrl(ctx, build, path, lineOf, kVmPackOnly, L"build.without.vm.direct.download.url",
                     L"build.without.vm.dont.search.download.url.md5Checksum");
    }
    checkSpecFiles(ctx, kivFolder, build, path, lineOfKey);
}

}  // namespace ruvo_pack

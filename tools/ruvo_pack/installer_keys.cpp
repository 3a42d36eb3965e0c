#include "tools/ruvo_pack/installer_keys.h"

#include <algorithm>
#include <vector>

#include "common/text_convert.h"

namespace ruvo_pack {
namespace {

constexpr const char* kLauncher = "launcher";
constexpr const char* kRuvo = "ruvo";
constexpr const char* kBoth = "launcher; ruvo rewrites it";
constexpr const char* kNoEffect = "Read; no effect.";

using K = KeyFile;
using V = ValueKind;

// Constant-initialised: nothing runs before main.
constexpr KeyInfo kKeys[] = {
    {K::Kiv, V::Text, "kiv.nl.java.launcher.main.class", "", "", kLauncher,
     "Main class on the java command line. Required: without it the run ends with message 104.",
     "kiv.nl.java.launcher.main.class=com.example.Main"},
    {K::Kiv, V::ClassPath, "kiv.class.path", "", "", kLauncher,
     "Jars and folders, separated by `;` (not `:`), relative to the `.kiv` file's folder or absolute. The first "
     "`$ENV_CLASSPATH$` becomes the `CLASSPATH` variable. Required: empty, the run ends with message 104.",
     "kiv.class.path=lib\\\\app.jar;lib\\\\util.jar"},
    {K::Kiv, V::Path, "kiv.nl.current.vm", "", "", kLauncher,
     "The VM's java.exe, relative to the `.kiv` file's folder or absolute. Used when the file exists, right "
     "after a `KIV_VM` argument when there is no `jvmspecs\\jvmspecs.properties`; with that file only for "
     "`build.option=withoutvm` with search option 10 or 11 when no specification files apply. When it names no "
     "file, the valid-VM list decides. It or `kiv.nl.valid.vm.list` is required (message 104).",
     "kiv.nl.current.vm=resource\\\\jre\\\\bin\\\\java.exe"},
    {K::Kiv, V::VmList, "kiv.nl.valid.vm.list", "", "", kLauncher,
     "Acceptable installed VMs, separated by spaces: `ALL`, `J1`, `J2`, `JDK`, `JRE`, `JDK_J1`, `JDK_J2`, "
     "`JRE_J1`, `JRE_J2`, `MSJ`, or a kind, a version (`1.8+` and above, `11*` any 11.x, `1.8.0_20` exactly) "
     "and a validator argument joined by `_`. The best VM that one entry accepts is used.",
     "kiv.nl.valid.vm.list=JRE_1.8+ JDK_11+"},
    {K::Kiv, V::Text, "kiv.nl.vm.search.extended", "", "true", kLauncher,
     "Exactly `false` turns off the extended search (`JAVA_HOME`, the registry keys and install folders of "
     "today's JDKs), which is asked only when the classic search finds no VM; any other value leaves it on.",
     "kiv.nl.vm.search.extended=false"},
    {K::Kiv, V::ByteSize, "kiv.nl.win32.java.launcher.platform", "", "1", kLauncher,
     "0 prefers VMs marked 64-bit, 1 unmarked ones; 2 takes only marked, 3 only unmarked VMs. Only a 32-bit "
     "launcher under 64-bit Windows marks a VM.",
     "kiv.nl.win32.java.launcher.platform=1"},
    {K::Kiv, V::Path, "kiv.user.dir", "", "", kLauncher,
     "Working folder of the Java program, relative to the `.kiv` file's folder or absolute; empty, the folder "
     "the launcher was started in.",
     "kiv.user.dir=."},
    {K::Kiv, V::Text, "kiv.user.options", "", "", kLauncher,
     "Per-user JVM options: a file below `%APPDATA%` (written `Vendor\\Name\\Name.options`), read before "
     "the VM starts when it exists. One option per line (`-Xmx4g`, `-Dkey=value`, spaces kept inside the "
     "line), `#` starts a comment line, blank lines are skipped; UTF-8. The options come after the packaged "
     "ones, so they win. A malformed line (not starting with `-`, a control character, not UTF-8, or `-cp`, "
     "`-classpath`, `--class-path`, `-jar`, `-m`, `--module`, `--source`) ends the run with one line naming the "
     "file and line, exit code 1; a missing file is no error. Empty, no file is read.",
     "kiv.user.options=Acme Corp\\\\MyApp\\\\MyApp.options"},
    {K::Kiv, V::Text, "kiv.application.name", "", "Quillrun", kLauncher, "Title of the console window.",
     "kiv.application.name=My Application"},
    {K::Kiv, V::Text, "kiv.application.id", "", "", kLauncher,
     "The application's identity across versions (what `ruvo-pack --app-id` gives), also its AppUserModelID: "
     "the VM is started with it (the start's title-is-app-ID flag), so that the program's windows group and pin "
     "with the installed shortcuts of the same ID, without code in the Java program. At most 128 characters, no "
     "spaces; empty, the system groups the windows under the VM.",
     "kiv.application.id=Vendor.MyApp"},
    {K::Kiv, V::Text, "kiv.installer.windows.ui.default", "", "", kLauncher,
     "Exactly `SILENT` (capitals) makes the run silent (no download progress) when the command line does not "
     "decide; the last argument `silent` (any case) turns it on, any other last argument off.",
     "kiv.installer.windows.ui.default=SILENT"},
    {K::Kiv, V::Switch, "kiv.win32.console.pause", "", "off", kLauncher,
     "Waits for Enter after the Java program has ended.", "kiv.win32.console.pause=yes"},
    {K::Kiv, V::Choice, "kiv.nl.java.option.verbose", "normal, all, gc, class, none", "", kLauncher,
     "`-verbose`, `-verbose:gc` or `-verbose:class` (any letter case); any other value prints \"invalid "
     "verbosity selection\" and adds nothing.",
     "kiv.nl.java.option.verbose=gc"},
    {K::Kiv, V::Text, "kiv.nl.java.option.garbage.collection.extent", "", "", kLauncher,
     "Any value that is not empty, even `false`, adds `-Xnoclassgc`.",
     "kiv.nl.java.option.garbage.collection.extent=full"},
    {K::Kiv, V::Flag, "kiv.nl.java.option.garbage.collection.background.thread", "", "off", kLauncher,
     "Adds `-Xnoasyncgc`, which current VMs refuse: they do not start.",
     "kiv.nl.java.option.garbage.collection.background.thread=false"},
    {K::Kiv, V::Flag, "kiv.nl.java.option.debugging", "", "off", kLauncher, "Adds `-Xdebug`.",
     "kiv.nl.java.option.debugging=true"},
    {K::Kiv, V::Flag, "kiv.nl.java.option.compiler", "", "off", kLauncher,
     "On, adds `-Djava.compiler=off`: the key turns the option on, not the compiler.",
     "kiv.nl.java.option.compiler=on"},
    {K::Kiv, V::Text, "kiv.nl.java.option.additional", "", "", kLauncher,
     "Added to the VM options as written, before `-classpath`.", "kiv.nl.java.option.additional=-Dfile.encoding=UTF-8"},
    {K::Kiv, V::ByteSize, "kiv.nl.java.option.java.heap.size.initial", "", "0", kBoth,
     "Initial heap, written as `-Xms` and a byte count; 0 or less adds nothing. Only `k` and `m` are units: "
     "`2g` reads as 2 bytes. The installer's `-jvmxms VALUE` replaces the line.",
     "kiv.nl.java.option.java.heap.size.initial=64m"},
    {K::Kiv, V::ByteSize, "kiv.nl.java.option.java.heap.size.max", "", "0", kBoth,
     "Maximum heap, written as `-Xmx` and a byte count; 0 or less adds nothing. Only `k` and `m` are units: "
     "`2g` reads as 2 bytes. The installer's `-jvmxmx VALUE` replaces the line.",
     "kiv.nl.java.option.java.heap.size.max=2048m"},
    {K::Kiv, V::Integer, "kiv.nl.java.option.java.heap.percent", "", "", kLauncher,
     "Maximum heap as a share of the machine's memory, 1 to 90 (other values add nothing): VMs of version 10 and "
     "later get `-XX:MaxRAMPercentage=N`; older ones `-Xmx` with that share of the physical memory in bytes, at "
     "most 1024 MiB for a 32-bit VM (which must reserve its heap in one piece of its 2 GiB address space). A "
     "maximum heap set elsewhere (`kiv.nl.java.option.java.heap.size.max`, `-Xmx` in the VM options or the "
     "per-user file) wins.",
     "kiv.nl.java.option.java.heap.percent=25"},
    {K::Kiv, V::Path, "kiv.splash", "", "", kLauncher,
     "Splash image (PNG, GIF or JPEG) shown from the VM's first moment: VMs of Java 6 and later get Java's own "
     "`-splash:` option with its full path, first among the VM options, and the program closes it as Java's "
     "`SplashScreen` does. `NAME@2x.EXT` beside it is Java's own high-DPI variant. A missing file shows none.",
     "kiv.splash=logo.png"},
    {K::Kiv, V::Text, "kiv.java.download.page", "", "", kLauncher,
     "An http or https page where users get the Java the application needs. When no VM is found the error "
     "names the version `kiv.nl.valid.vm.list` asks for (`17+` reads \"Java 17+\") and this page, and the "
     "windowed launcher's message box offers to open it in the browser. Other values are not offered.",
     "kiv.java.download.page=https://example.com/java"},
    {K::Kiv, V::Flag, "kiv.single.instance", "", "off", kLauncher,
     "On, one instance per application and user session (the application is `kiv.application.id`, else the "
     "launcher's full path): a later start hands its arguments and working folder to the running one, which brings "
     "its window forward and passes them to the program (`SingleInstance.jar`, system property "
     "`kiv.instance.pipe`), and ends with exit code 0 without starting a VM.",
     "kiv.single.instance=true"},
    {K::Kiv, V::Flag, "kiv.attach.console", "", "off", kLauncher,
     "For the windowed launcher: on, started from a console it joins that console, writes its errors there "
     "(not in a message box) and starts the console VM (`java.exe` beside `javaw.exe`) sharing it, with the "
     "standard handles the caller gave (redirections stay), so that `System.out` appears there; started from "
     "Explorer or a shortcut it runs as without the key. The console launcher ignores it.",
     "kiv.attach.console=true"},
    {K::Kiv, V::Flag, "kiv.nl.java.arguments.plain", "", "off", "launcher and ruvo",
     "On, the Java program gets the user's arguments only, each exactly as typed (the installer's own options "
     "and the launcher's `KIV_VM` pair and service options taken out), and the `.kiv` file and the scratch file "
     "as the system properties `kiv.file` and `kiv.runtime.file`; off, it gets both files' paths first and every "
     "argument the launcher was given, in the launcher's own form. On, the launcher also writes nothing of its "
     "own to standard output (the chosen VM's `company:` line goes to the diagnostic trail), and removes the "
     "scratch file, which holds the whole environment, as soon as the VM has ended. Only for ordinary `main` "
     "programs: a program written for this kit reads its files from the first two arguments.",
     "kiv.nl.java.arguments.plain=true"},
    {K::Kiv, V::Text, "kiv.nl.java.arguments.fixed", "", "", kLauncher,
     "With `kiv.nl.java.arguments.plain` on, arguments the program gets before the user's, written as on a "
     "command line: in quotes when they hold spaces. Otherwise not read.",
     "kiv.nl.java.arguments.fixed=--mode \"two words\" -v"},
    {K::Kiv, V::Flag, "kiv.installer.cleanup", "", "off", kRuvo,
     "On, ruvo removes the unpacked folder once the launcher has ended (what is still in use after a few "
     "seconds stays and is logged); off, the folder stays in the temporary folder for the installed program.",
     "kiv.installer.cleanup=true"},
    {K::Kiv, V::Integer, "kiv.nl.win32.microsoftvm.min.version", "", "0", kLauncher,
     "Lowest build number of the Microsoft VM (`jview.exe`) that may run the program.",
     "kiv.nl.win32.microsoftvm.min.version=3167"},
    {K::Kiv, V::Flag, "kiv.nl.java.option.verify.mode", "", "off", kLauncher, kNoEffect,
     "kiv.nl.java.option.verify.mode=false"},

    {K::BuildOptions, V::Choice, "build.option", "withvm, withoutvm", "", kLauncher,
     "`withvm`: the installer ships a VM; `withoutvm`: it does not. Any other value, or none, finds no VM "
     "(message 101).",
     "build.option=withoutvm"},
    {K::BuildOptions, V::Choice, "build.with.vm.search.option", "20, 21", "20", kLauncher,
     "With a VM: 20 searches, then takes the shipped `resource\\jre`; 21 takes it at once.",
     "build.with.vm.search.option=21"},
    {K::BuildOptions, V::Choice, "build.without.vm.search.option", "10, 11, 12", "10", kLauncher,
     "Without a VM: 10 searches; 11 searches, then downloads the VM pack at the not-found URL; 12 downloads the "
     "pack at the direct URL at once.",
     "build.without.vm.search.option=11"},
    {K::BuildOptions, V::Text, "build.jvmspec.applicable", "", "", kLauncher,
     "Exactly `true` (with a total above 0) makes the searches use the specification files; otherwise they use "
     "`kiv.nl.valid.vm.list` (without a VM: `kiv.nl.current.vm` first).",
     "build.jvmspec.applicable=true"},
    {K::BuildOptions, V::Integer, "build.jvmspec.total.num", "", "0", kLauncher, "Number of specification files.",
     "build.jvmspec.total.num=1"},
    {K::BuildOptions, V::FileName, "build.jvmspec.<n>", "", "", kLauncher,
     "Specification file n (from 0) in `jvmspecs\\`. Each needs `Verify.jar` beside it.", "build.jvmspec.0=jre8.spec"},
    {K::BuildOptions, V::Url, "build.without.vm.not.found.download.url", "", "", kLauncher,
     "VM pack for option 11: a URL beginning with `http` or `ftp` in lower case and ending in `.vm`.",
     "build.without.vm.not.found.download.url=https://example.com/jre8.vm"},
    {K::BuildOptions, V::Text, "build.without.vm.not.found.download.url.md5Checksum.applicable", "", "", kLauncher,
     "Exactly `true` checks the pack of option 11 against the MD5 value.",
     "build.without.vm.not.found.download.url.md5Checksum.applicable=true"},
    {K::BuildOptions, V::Md5, "build.without.vm.not.found.download.url.md5Checksum.value", "", "", kLauncher,
     "MD5 of the pack of option 11: 32 lower-case hexadecimal digits.",
     "build.without.vm.not.found.download.url.md5Checksum.value=9e107d9d372bb6826bd81d3542a419d6"},
    {K::BuildOptions, V::Url, "build.without.vm.direct.download.url", "", "", kLauncher,
     "VM pack for option 12: a URL beginning with `http` or `ftp` in lower case and ending in `.vm`.",
     "build.without.vm.direct.download.url=ftp://example.com/jre8.vm"},
    {K::BuildOptions, V::Text, "build.without.vm.dont.search.download.url.md5Checksum.applicable", "", "", kLauncher,
     "Exactly `true` checks the pack of option 12 against the MD5 value.",
     "build.without.vm.dont.search.download.url.md5Checksum.applicable=true"},
    {K::BuildOptions, V::Md5, "build.without.vm.dont.search.download.url.md5Checksum.value", "", "", kLauncher,
     "MD5 of the pack of option 12: 32 lower-case hexadecimal digits.",
     "build.without.vm.dont.search.download.url.md5Checksum.value=9e107d9d372bb6826bd81d3542a419d6"},
    {K::BuildOptions, V::Text, "build.with.vm", "", "", kLauncher, kNoEffect, "build.with.vm=true"},
    {K::BuildOptions, V::Text, "build.without.vm", "", "", kLauncher, kNoEffect, "build.without.vm=true"},

    {K::SpecFile, V::Section, "JVM_PROPERTIES", "", "", kLauncher,
     "Starts the lines `name=expected` that the VM must report through `Verify`: `*` anything, `1.8*` a "
     "prefix, `1.4...` a prefix, anything else exactly.",
     "JVM_PROPERTIES"},
    {K::SpecFile, V::Section, "PLATFORM_HINT:", "", "", kLauncher,
     "Starts the registry values that hold a VM home, as `\\HIVE\\key path\\value name`; a `*` ends a key-name "
     "prefix.",
     "PLATFORM_HINT:"},
    {K::SpecFile, V::Section, "PATH_HINT:", "", "", kLauncher,
     "Starts the folders that may be a VM home: below the root of every fixed drive (fewer than two dots), or "
     "climbing from the installer file's folder (`..\\jre`).",
     "PATH_HINT:"},
    {K::SpecFile, V::Section, "/:", "", "", kLauncher, "Ends a section.", "/:"},
    {K::SpecFile, V::Path, "JVM_EXE:", "", "", kLauncher,
     "The executable below a VM home. A file that does not set it keeps the value of an earlier file.",
     "JVM_EXE: bin\\java.exe"},
    {K::SpecFile, V::Text, "DESC:", "", "", kLauncher, kNoEffect, "DESC: Java 8 runtime"},
    {K::SpecFile, V::Text, "CLASSPATH:", "", "", kLauncher, kNoEffect, "CLASSPATH: lib\\rt.jar"},
    {K::SpecFile, V::Text, "CLASSPATH_SEPARATOR:", "", "", kLauncher, kNoEffect, "CLASSPATH_SEPARATOR: ;"},
    {K::SpecFile, V::Text, "SYSTEM:", "", "", kLauncher, kNoEffect, "SYSTEM: -D"},
    {K::SpecFile, V::Text, "SYSTEM_SEPARATOR:", "", "", kLauncher, kNoEffect, "SYSTEM_SEPARATOR: ="},
    {K::SpecFile, V::Text, "VERBOSE:", "", "", kLauncher, kNoEffect, "VERBOSE: -verbose"},
    {K::SpecFile, V::Text, "VERBOSE_CLASS:", "", "", kLauncher, kNoEffect, "VERBOSE_CLASS: -verbose:class"},
    {K::SpecFile, V::Text, "VERBOSE_GC:", "", "", kLauncher, "Known to the format; sets nothing.",
     "VERBOSE_GC: -verbose:gc"},
    {K::SpecFile, V::Text, "VERBOSE_JNI:", "", "", kLauncher, kNoEffect, "VERBOSE_JNI: -verbose:jni"},
    {K::SpecFile, V::Text, "VERSION:", "", "", kLauncher, kNoEffect, "VERSION: -version"},
    {K::SpecFile, V::Text, "BOOT_CLASSPATH:", "", "", kLauncher,
     "Read as `CLASSPATH:` (its name contains that key); no effect.", "BOOT_CLASSPATH: -Xbootclasspath:"},
    {K::SpecFile, V::Text, "NO_CLASS_GC:", "", "", kLauncher, kNoEffect, "NO_CLASS_GC: -Xnoclassgc"},
    {K::SpecFile, V::Text, "INIT_JAVA_HEAP:", "", "", kLauncher, kNoEffect, "INIT_JAVA_HEAP: -Xms"},
    {K::SpecFile, V::Text, "MAX_JAVA_HEAP:", "", "", kLauncher, kNoEffect, "MAX_JAVA_HEAP: -Xmx"},
    {K::SpecFile, V::Text, "REDUCE_OS_SIGNALS:", "", "", kLauncher, kNoEffect, "REDUCE_OS_SIGNALS: -Xrs"},
    {K::SpecFile, V::Text, "CHECK_JNI:", "", "", kLauncher, kNoEffect, "CHECK_JNI: -Xcheck:jni"},
    {K::SpecFile, V::Text, "RUNHPROF_HELP:", "", "", kLauncher, kNoEffect, "RUNHPROF_HELP: -Xrunhprof:help"},
    {K::SpecFile, V::Text, "RUNHPROF_OPTION:", "", "", kLauncher, kNoEffect, "RUNHPROF_OPTION: -Xrunhprof:"},
    {K::SpecFile, V::Text, "DEBUG:", "", "", kLauncher, kNoEffect, "DEBUG: -Xdebug"},
    {K::SpecFile, V::Text, "FUTURE:", "", "", kLauncher, kNoEffect, "FUTURE: -Xfuture"},

    {K::InstallerProperties, V::Text, "installer_ui", "", "", kRuvo,
     "The first line that begins with `installer_ui` (any case) decides: a line containing `silent` shows no "
     "window, one containing `console` runs in console mode, any other shows the progress dialog. Not read "
     "after `-i silent`.",
     "installer_ui=silent"},
};

bool matchesPattern(std::string_view pattern, std::string_view key) {
    constexpr std::string_view number = "<n>";
    size_t at = pattern.find(number);
    if (at == std::string_view::npos) return pattern == key;
    if (key.size() <= at || key.substr(0, at) != pattern.substr(0, at)) return false;
    std::string_view digits = key.substr(at);
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbours each count 1.
size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

std::string cell(std::string_view text) { return text.empty() ? std::string("empty") : "`" + std::string(text) + "`"; }

}  // namespace

const KeyInfo* findKey(KeyFile file, std::string_view key) {
    for (const auto& k : kKeys)
        if (k.file == file &&
            (file == KeyFile::InstallerProperties ? velmora::asciiLower(key) == k.key : matchesPattern(k.key, key)))
            return &k;
    return nullptr;
}

std::string nearestKey(KeyFile file, std::string_view key) {
    const std::string lowered = velmora::asciiLower(key);
    std::string best;
    size_t bestDistance = 3;  // two slips at most
    for (const auto& k : kKeys) {
        if (k.file != file || std::string_view(k.key).find('<') != std::string_view::npos) continue;
        size_t distance = editDistance(lowered, velmora::asciiLower(k.key));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = k.key;
        }
    }
    return best;
}

std::string kindName(const KeyInfo& key) {
    switch (key.kind) {
        case ValueKind::Text:
            return "text";
        case ValueKind::Path:
            return "path";
        case ValueKind::ClassPath:
            return "class path";
        case ValueKind::VmList:
            return "valid-VM list";
        case ValueKind::ByteSize:
            return "byte size (k or m)";
        case ValueKind::Integer:
            return "integer";
        case ValueKind::Flag:
            return "flag (true, on, t)";
        case ValueKind::Switch:
            return "switch (true, yes, on)";
        case ValueKind::Choice:
            return "one of " + std::string(key.choices);
        case ValueKind::Url:
            return "URL";
        case ValueKind::Md5:
            return "MD5";
        case ValueKind::FileName:
            return "file name";
        case ValueKind::Section:
            return "section";
    }
    return "text";
}

std::string referenceTable(KeyFile file) {
    std::string out = file == KeyFile::SpecFile ? "| Line key | Value | Effect | Example |\n|---|---|---|---|\n"
                                                : "| Key | Type | Default | Read by | Effect | Example |\n"
                                                  "|---|---|---|---|---|---|\n";
    for (const auto& k : kKeys) {
        if (k.file != file) continue;
        if (file == KeyFile::SpecFile)
            out += "| `" + std::string(k.key) + "` | " + kindName(k) + " | " + k.effect + " | `" + k.example + "` |\n";
        else
            out += "| `" + std::string(k.key) + "` | " + kindName(k) + " | " + cell(k.defaultValue) + " | " + k.readBy +
                   " | " + k.effect + " | `" + k.example + "` |\n";
    }
    return out;
}

}  // namespace ruvo_pack

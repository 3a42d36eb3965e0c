#pragma once
// Where today's VMs live when their installers do not write the JavaSoft keys: the makers'
// registry roots, JAVA_HOME and the usual install folders. The rules here are text in,
// values out; the registry and the file system come in through callbacks.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

// One maker's registry layout below a hive: the root key, then one entry per key level
// naming the subkeys to follow there (empty: all of them), then the value holding the home.
struct VendorLayout {
    std::wstring_view root;
    std::vector<std::vector<std::wstring_view>> levels;
    std::wstring_view homeValue;
};

const std::vector<VendorLayout>& vendorLayouts();

// Folders below %ProgramFiles% and %LOCALAPPDATA%\Programs that hold one folder per VM.
const std::vector<std::wstring_view>& vendorInstallFolders();

// The subkey names of a key in enumeration order; empty when it cannot be opened.
using SubkeyLister = std::function<std::vector<std::wstring>(const std::wstring& keyPath)>;

// Every key below the layout's root that follows its levels (names compared ignoring case),
// in enumeration order.
std::vector<std::wstring> vendorHomeKeys(const VendorLayout& layout, const SubkeyLister& listSubkeys);

// An environment variable's value (names ignore case); empty when absent.
using EnvironmentLookup = std::function<std::wstring(const std::wstring& name)>;

// The folders whose subfolders are VM homes: each program-files folder and
// %LOCALAPPDATA%\Programs with every install folder name, then %USERPROFILE%\.jdks.
// Unset variables add nothing; a folder named twice is listed once.
std::vector<std::wstring> installFolderParents(const EnvironmentLookup& environment);

// A home as users and installers write it: spaces and surrounding quotes dropped, and the
// trailing separators that installers leave ("C:\Program Files\Zulu\zulu-17\").
std::wstring cleanHomeText(std::wstring_view text);

// A place that may hold a VM. `problem` tells why the place gave no home (a value that is
// missing or not text); such a candidate is only reported.
struct ExtendedCandidate {
    std::wstring source;  // "JAVA_HOME", "registry HKLM\...\MSI (64-bit view)", "folder C:\..."
    std::wstring home;
    std::wstring problem;
};

// What became of one candidate.
struct CandidateVerdict {
    std::wstring source;
    std::wstring home;        // as cleaned
    std::wstring executable;  // home\bin\java.exe; empty when there was no home
    bool kept = false;
    std::wstring reason;  // why skipped
};

struct ScreenWorld {
    std::function<bool(const std::wstring&)> isFile;
    // The path with links resolved; the path itself when that cannot be known.
    std::function<std::wstring(const std::wstring&)> finalPath;
};

// Keeps each candidate whose home holds bin\java.exe and whose executable (by final path,
// ignoring case) is neither an earlier candidate's nor one of `classicExecutables`.
std::vector<CandidateVerdict> screenCandidates(const std::vector<ExtendedCandidate>& candidates,
                                               const std::vector<std::wstring>& classicExecutables,
                                               const ScreenWorld& world);

// Which search a run that found no VM would extend. Runs whose build options choose no
// search (the shipped VM, a VM pack alone, unknown options) extend none.
enum class ExtendedSearchKind { None, ValidList, SpecFiles };
ExtendedSearchKind extendedSearchAfter(bool buildOptionsFound, std::wstring_view buildOption,
                                       int32_t withoutVmSearchOption, bool specSearchApplies);

// kiv.nl.vm.search.extended: only "false" turns the extended candidates off.
bool extendedSearchSwitchedOn(std::wstring_view value);

}  // namespace velmora::launcher

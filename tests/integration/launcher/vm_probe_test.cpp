// VM discovery against real files: version resources of the stand-in variants, the file
// probes of VMs without one, and the search-path scan.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include "common/unique_handle.h"
#include "launcher/mapped_file.h"
#include "launcher/vm/installed_vms.h"
#include "launcher/vm/pe_image.h"
#include "launcher/vm/vm_probe.h"
#include "launcher/vm/vm_validation.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

using namespace velmora::launcher;
using namespace velmora::test;

namespace {

std::wstring place(const TempFolder& folder, const std::wstring& variant, const std::wstring& relative) {
    size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos) folder.makeFolder(relative.substr(0, slash));
    std::wstring target = folder / relative;
    EXPECT_TRUE(::CopyFileW((testBinFolder() + L"\\" + variant + L".exe").c_str(), target.c_str(), FALSE));
    return target;
}

std::wstring versionOf(const std::wstring& path) { return versionText(probeExecutable(path).version); }

}  // namespace

TEST(VmProbe, VersionResourcesOfEachMaker) {
    struct Case {
        const wchar_t* variant;
        const wchar_t* relative;
        const wchar_t* vendor;
        const wchar_t* version;
        VmKind kind;
        const wchar_t* home;
    };
    const Case cases[] = {
        {L"standin_vm_sun11", L"jdk11\\bin\\java.exe", L"Sun", L"11.0.2", VmKind::JRE, L"jdk11"},
        {L"standin_vm_sun18", L"jre8\\bin\\java.exe", L"Sun", L"8.0.310", VmKind::JRE, L"jre8"},
        // IBM drops the first part even when it is not 1.
        {L"standin_vm_ibm", L"ibm\\jre\\bin\\java.exe", L"IBM", L"0.6.15", VmKind::JRE, L"ibm\\jre"},
        {L"standin_vm_jview", L"win\\JVIEW.EXE", L"Microsoft", L"1.4.0", VmKind::MSJ, L"win"},
    };
    TempFolder f;
    for (const auto& c : cases) {
        VmProbe probe = probeExecutable(place(f, c.variant, c.relative));
        EXPECT_EQ(probe.vendor, c.vendor) << c.relative;
        EXPECT_EQ(versionText(probe.version), c.version) << c.relative;
        EXPECT_EQ(probe.kind, c.kind) << c.relative;
        EXPECT_EQ(probe.home, f / c.home) << c.relative;
    }
    place(f, L"standin_vm", L"jdk11\\bin\\javac.exe");
    EXPECT_EQ(probeExecutable(f / L"jdk11\\bin\\java.exe").kind, VmKind::JDK);
    EXPECT_EQ(probeExecutable(place(f, L"standin_vm_sun11", L"jdk11\\bin\\jrew.exe")).kind, VmKind::JRE);
}

TEST(VmProbe, FileProbesWithoutVersionResource) {
    TempFolder f;
    EXPECT_EQ(versionOf(place(f, L"standin_vm", L"none\\java.exe")), L"0.0.0");
    EXPECT_EQ(probeExecutable(f / L"none\\java.exe").vendor, L"Sun");

    place(f, L"standin_vm", L"five\\bin\\java.exe");
    f.write(L"five\\bin\\pack200.exe", "");
    f.makeFolder(L"five\\bin\\client");
    EXPECT_EQ(versionOf(f / L"five\\bin\\java.exe"), L"5.0.0");

    place(f, L"standin_vm", L"four\\bin\\java.exe");
    f.makeFolder(L"four\\jre\\bin\\server");
    EXPECT_EQ(versionOf(f / L"four\\bin\\java.exe"), L"4.0.0");
    // The plug-in library refines it; a JDK looks for it in its jre folder.
    place(f, L"standin_vm_sun18", L"four\\jre\\bin\\NPJava32.dll");
    EXPECT_EQ(versionOf(f / L"four\\bin\\java.exe"), L"4.0.0");
    f.write(L"four\\bin\\javac.exe", "");
    EXPECT_EQ(versionOf(f / L"four\\bin\\java.exe"), L"8.0.31");

    place(f, L"standin_vm", L"three\\bin\\java.exe");
    f.makeFolder(L"three\\bin\\hotspot");
    EXPECT_EQ(versionOf(f / L"three\\bin\\java.exe"), L"3.0.0");

    place(f, L"standin_vm", L"two\\bin\\java.exe");
    f.makeFolder(L"two\\bin\\classic");
    EXPECT_EQ(versionOf(f / L"two\\bin\\java.exe"), L"2.0.0");

    place(f, L"standin_vm", L"one\\bin\\java.exe");
    place(f, L"standin_vm", L"one\\bin\\jrew.exe");
    EXPECT_EQ(versionOf(f / L"one\\bin\\java.exe"), L"1.0.0");
}

TEST(VmProbe, PathScanCollapsesOneVmToOneRecord) {
    TempFolder f;
    place(f, L"standin_vm_sun18", L"a\\bin\\java.exe");
    place(f, L"standin_vm_sun18", L"a\\bin\\javaw.exe");
    place(f, L"standin_vm_classic", L"old\\bin\\jre.exe");
    place(f, L"standin_vm_jview", L"ms\\jview.exe");
    VmList records = scanPathVms({f / L"a\\bin", f / L"nowhere", f / L"old\\bin", f / L"ms", f / L"a\\\\bin"});
    ASSERT_EQ(records.size(), 6u);
    removeDuplicateVms(records);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_NE(dynamic_cast<StandardVm*>(records[0].get()), nullptr);
    EXPECT_EQ(records[0]->home, f / L"a");
    EXPECT_EQ(records[0]->executablePath(), f / L"a\\bin\\java.exe");
    auto* classic = dynamic_cast<ClassicVm*>(records[1].get());
    ASSERT_NE(classic, nullptr);
    EXPECT_EQ(classic->executablePath(), f / L"old\\bin\\jre.exe");
    auto* microsoft = dynamic_cast<MicrosoftVm*>(records[2].get());
    ASSERT_NE(microsoft, nullptr);
    EXPECT_EQ(microsoft->home, f / L"ms");
    for (const auto& r : records) EXPECT_EQ(r->is64Bit, 0);  // a 64-bit launcher marks nothing
}

TEST(VmProbe, ImageBitnessOfRealFiles) {
    TempFolder f;
    EXPECT_EQ(peImageBitness(place(f, L"standin_vm", L"java.exe")), 2);
    EXPECT_EQ(peImageBitness(f.write(L"text.exe", "MZ but not much else")), 0);
    EXPECT_EQ(peImageBitness(f.write(L"empty.exe", "")), 0);
    EXPECT_EQ(peImageBitness(f / L"missing.exe"), 0);
    std::wstring plain = f.write(L"plain.exe", "x");
    EXPECT_EQ(resolveFinalPath(f / L"missing.exe").path, f / L"missing.exe");
    EXPECT_EQ(resolveFinalPath(f / L"missing.exe").status, FinalPathStatus::Unresolved);
    EXPECT_EQ(resolveFinalPath(f / L"empty.exe").status, FinalPathStatus::EmptyFile);
    EXPECT_EQ(resolveFinalPath(f / L"empty.exe").path, f / L"empty.exe");
    std::wstring resolved = resolveFinalPath(plain).path;
    EXPECT_TRUE(resolved == plain || ::GetFileAttributesW(resolved.c_str()) != INVALID_FILE_ATTRIBUTES) << resolved;
}

namespace {

bool processRunning(const std::wstring& exeName) {
    velmora::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0) return true;
    return false;
}

}  // namespace

TEST(VmVerify, ArchiveLookupAndChecks) {
    TempFolder f;
    std::wstring java = place(f, L"standin_vm", L"vm\\bin\\java.exe");
    f.write(L"vm\\bin\\standin.cfg", "verify.java.version=1.6.0_20\nverify.java.vendor=Sun Microsystems Inc.\n");
    PropertyChecks checks{{L"java.version", L"1.6*"}, {L"java.vendor", L"Sun Microsystems Inc."}};

    EXPECT_FALSE(runVerify(f / L"spec", java, checks));  // no Verify.jar anywhere
    f.write(L"spec\\jvmspecs\\Verify.jar", "");
    EXPECT_TRUE(runVerify(f / L"spec", java, checks));
    EXPECT_FALSE(runVerify(f / L"spec\\jvmspecs\\other\\jvmspecs", java, checks));
    f.write(L"spec2\\jvmspecs\\Verify.jar\\keep", "");  // a folder of that name is no archive
    EXPECT_FALSE(runVerify(f / L"spec2\\jvmspecs", java, checks));
    f.write(L"plain\\Verify.jar", "");
    EXPECT_TRUE(runVerify(f / L"plain", java, checks));
    EXPECT_FALSE(runVerify(f / L"plain", java, {}));  // a header alone is no answer
    EXPECT_FALSE(runVerify(f / L"plain", java, {{L"java.version", L"1.7*"}}));
    EXPECT_FALSE(runVerify(f / L"plain", f / L"vm\\bin\\missing.exe", {}));

    // With CR LF line ends every value line but the last keeps its CR.
    f.write(L"vm\\bin\\standin.cfg", "verify.java.version=1.6.0_20\nverify.java.vendor=Sun\nverify.crlf=1\n");
    EXPECT_FALSE(runVerify(f / L"plain", java, {{L"java.vendor", L"Sun"}, {L"java.version", L"1.6.0_20"}}));
    EXPECT_TRUE(runVerify(f / L"plain", java, {{L"java.vendor", L"Sun..."}, {L"java.version", L"1.6.0_20"}}));
}

TEST(VmVerify, LargeOutputIsReadWhileTheProgramRuns) {
    TempFolder f;
    std::wstring java = place(f, L"standin_vm", L"vm\\java.exe");
    f.write(L"plain\\Verify.jar", "");
    // Far more than a pipe holds, all in the header line.
    f.write(L"vm\\standin.cfg", "verify.filler=400000\nverify.java.version=17.0.1\n");
    EXPECT_TRUE(runVerify(f / L"plain", java, {{L"java.version", L"17*"}}));
}

TEST(VmVerify, ProgramThatOverrunsIsTerminated) {
    TempFolder f;
    std::wstring java = place(f, L"standin_vm", L"vm\\overrunverify.exe");
    f.write(L"plain\\Verify.jar", "");
    f.write(L"vm\\standin.cfg", "sleep.ms=60000\n");
    EXPECT_FALSE(runVerify(f / L"plain", java, {}));
    EXPECT_FALSE(processRunning(L"overrunverify.exe"));
}

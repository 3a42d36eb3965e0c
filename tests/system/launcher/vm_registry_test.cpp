// Installed VMs from the Java registry keys of the test prefix. The keys are machine-wide,
// so this executable runs alone and removes what it creates.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>

#include <algorithm>

#include "launcher/vm/installed_vms.h"
#include "launcher/vm/registry_key.h"
#include "launcher/launcher_errors.h"
#include "tests/system/launcher/vm_test_app.h"

using namespace velmora::launcher;
using namespace velmora::test;

namespace {

const wchar_t* const kRoots[] = {L"SOFTWARE\\JavaSoft", L"SOFTWARE\\IBM"};

void removeJavaKeys() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        for (const wchar_t* root : kRoots) {
            HKEY key = nullptr;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) continue;
            ::RegDeleteTreeW(key, nullptr);
            ::RegCloseKey(key);
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, root, view, 0);
        }
    }
}

void setValue(REGSAM view, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

void registerVm(REGSAM view, const std::wstring& key, const std::wstring& home, const wchar_t* micro) {
    setValue(view, key, L"JavaHome", home);
    if (micro) setValue(view, key, L"MicroVersion", micro);
}

// Sets the key's access list to one entry granting everyone `rights`.
void grantEveryone(const std::wstring& path, DWORD rights) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
    EXPLICIT_ACCESSW entry{};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
    PACL list = nullptr;
    ASSERT_EQ(::SetEntriesInAclW(1, &entry, nullptr, &list), ERROR_SUCCESS);
    EXPECT_EQ(::SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, list, nullptr),
              ERROR_SUCCESS);
    ::LocalFree(list);
    ::RegCloseKey(key);
}

// A key that may be listed and read but not opened with KEY_READ, until destroyed.
class QueryOnlyKey {
public:
    explicit QueryOnlyKey(std::wstring path) : path_(std::move(path)) {
        grantEveryone(path_, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | WRITE_DAC);
    }
    ~QueryOnlyKey() { grantEveryone(path_, KEY_ALL_ACCESS); }

private:
    std::wstring path_;
};

class JavaRegistry : public ::testing::Test {
protected:
    void SetUp() override { removeJavaKeys(); }
    void TearDown() override { removeJavaKeys(); }
};

const VmRecord* byHome(const VmList& list, const std::wstring& home) {
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& r) { return r->home == home; });
    return it == list.end() ? nullptr : it->get();
}

}  // namespace

TEST_F(JavaRegistry, SixKeysOfTheLaunchersOwnView) {
    const REGSAM native = KEY_WOW64_64KEY;
    registerVm(native, L"SOFTWARE\\JavaSoft\\JRE\\11.0.2", L"C:\\jre11", L"7");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", L"C:\\jre6", L"0");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0_31", L"C:\\jre6u31", L"0");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.5", L"C:\\jre5", nullptr);
    setValue(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment", L"CurrentVersion", L"1.6");
    registerVm(native, L"SOFTWARE\\JavaSoft\\JDK\\1.1", L"C:\\jdk1.1", L"8");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Development Kit\\17", L"C:\\Users\\\u5c71\u7530\\jdk17", nullptr);
    registerVm(native, L"SOFTWARE\\IBM\\Java2 Runtime Environment\\1.4", L"C:\\ibm14", L"2");
    registerVm(native, L"SOFTWARE\\IBM\\Java Development Kit\\1.7", L"C:\\ibm17", L"0");
    registerVm(KEY_WOW64_32KEY, L"SOFTWARE\\JavaSoft\\JRE\\1.8", L"C:\\jre8-32", L"0");

    VmList list = enumerateRegistryVms();
    ASSERT_EQ(list.size(), 7u);
    for (const auto& r : list) EXPECT_EQ(r->is64Bit, 0);  // a 64-bit launcher marks nothing
    EXPECT_EQ(byHome(list, L"C:\\jre5"), nullptr);        // no MicroVersion: dropped
    EXPECT_EQ(byHome(list, L"C:\\jre8-32"), nullptr);     // the other view is not read

    const VmRecord* jre11 = byHome(list, L"C:\\jre11");
    ASSERT_NE(jre11, nullptr);
    EXPECT_EQ(versionText(jre11->version), L"11.0.2");  // MicroVersion is not read from 9 on
    EXPECT_EQ(jre11->kind, VmKind::JRE);
    EXPECT_EQ(jre11->vendor, L"Sun");
    EXPECT_NE(dynamic_cast<const StandardVm*>(jre11), nullptr);

    ASSERT_NE(byHome(list, L"C:\\jre6"), nullptr);
    EXPECT_EQ(versionText(byHome(list, L"C:\\jre6")->version), L"6.0.0");
    ASSERT_NE(byHome(list, L"C:\\jre6u31"), nullptr);
    EXPECT_EQ(versionText(byHome(list, L"C:\\jre6u31")->version), L"6.0.31");

    const VmRecord* jdk11 = byHome(list, L"C:\\jdk1.1");
    ASSERT_NE(jdk11, nullptr);
    EXPECT_EQ(versionText(jdk11->version), L"1.8.0");
    EXPECT_EQ(jdk11->kind, VmKind::JDK);
    EXPECT_NE(dynamic_cast<const ClassicVm*>(jdk11), nullptr);

    // A home outside Latin-1 arrives as written.
    ASSERT_NE(byHome(list, L"C:\\Users\\\u5c71\u7530\\jdk17"), nullptr);

    const VmRecord* ibm14 = byHome(list, L"C:\\ibm14");
    ASSERT_NE(ibm14, nullptr);
    EXPECT_EQ(ibm14->vendor, L"IBM");
    EXPECT_EQ(ibm14->kind, VmKind::JDK);  // the IBM runtime key has always meant a JDK here
    EXPECT_EQ(versionText(ibm14->version), L"4.2.0");
    ASSERT_NE(byHome(list, L"C:\\ibm17"), nullptr);
    EXPECT_EQ(byHome(list, L"C:\\ibm17")->kind, VmKind::JRE);
}

TEST_F(JavaRegistry, SecondPassMarksItsRecords) {
    registerVm(KEY_WOW64_32KEY, L"SOFTWARE\\JavaSoft\\JRE\\1.8", L"C:\\jre8-other", L"0");
    registerVm(KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft\\JRE\\11", L"C:\\jre11", nullptr);
    VmList list;
    enumerateRegistryPass(KEY_READ | KEY_WOW64_32KEY, 1, list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->home, L"C:\\jre8-other");
    EXPECT_EQ(list[0]->is64Bit, 1);
}

TEST_F(JavaRegistry, KeysThatRefuseKeyReadAreStillRead) {
    const REGSAM native = KEY_WOW64_64KEY;
    registerVm(native, L"SOFTWARE\\JavaSoft\\JRE\\1.8", L"C:\\jre8", L"0");
    registerVm(native, L"SOFTWARE\\JavaSoft\\JDK\\11", L"C:\\jdk11", nullptr);
    QueryOnlyKey release(L"SOFTWARE\\JavaSoft\\JRE\\1.8");
    QueryOnlyKey root(L"SOFTWARE\\JavaSoft\\JDK");
    HKEY probe = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\JRE\\1.8", 0, KEY_READ, &probe),
              ERROR_ACCESS_DENIED);

    VmList list = enumerateRegistryVms();
    ASSERT_NE(byHome(list, L"C:\\jre8"), nullptr);
    EXPECT_EQ(versionText(byHome(list, L"C:\\jre8")->version), L"8.0.0");
    EXPECT_NE(byHome(list, L"C:\\jdk11"), nullptr);
}

TEST_F(JavaRegistry, KeyReadingErrors) {
    setValue(KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft\\JRE\\x", L"Text", L"C:\\\u00e9\u4e2d");
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\JRE\\x", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    DWORD number = 5;
    ::RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(key);

    RegistryKey open;
    EXPECT_THROW(open.readString(L"Text"), KeyException);
    EXPECT_THROW(open.open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\Nothing", KEY_READ), KeyException);
    open.open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\JRE\\x", KEY_READ);
    EXPECT_EQ(open.readString(L"Text"), L"C:\\\u00e9\u4e2d");
    EXPECT_THROW(open.readString(L"Number"), KeyException);
    EXPECT_THROW(open.readString(L"Missing"), KeyException);
    EXPECT_TRUE(open.subkeyNames().empty());
}

TEST_F(JavaRegistry, QuillrunChoosesTheBestRegisteredVm) {
    VmTestApp app;
    // The registry's version decides, not the executable's own resource.
    std::wstring jre11 = app.placeVm(L"standin_vm_sun18", L"jre11\\bin\\java.exe");
    app.placeVm(L"standin_vm_sun11", L"jre6\\bin\\java.exe");
    const REGSAM native = KEY_WOW64_64KEY;
    registerVm(native, L"SOFTWARE\\JavaSoft\\JRE\\11", app.path(L"jre11"), nullptr);
    registerVm(native, L"SOFTWARE\\JavaSoft\\JDK\\11", app.path(L"jre11"), nullptr);  // the same VM twice
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", app.path(L"jre6"), L"0");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0_31", app.path(L"gone"), L"0");

    // One record per home and version, the best last.
    InstalledVmList installed = buildInstalledVmList(1, {});
    ASSERT_EQ(installed.records.size(), 3u);
    EXPECT_EQ(versionText(installed.records[0]->version), L"6.0.0");
    EXPECT_EQ(versionText(installed.records[1]->version), L"6.0.31");
    EXPECT_EQ(installed.records[2]->home, app.path(L"jre11"));
    EXPECT_EQ(installed.records[2]->kind, VmKind::JDK);  // the JDK key is read first; that record stays

    app.writeKiv("kiv.nl.java.launcher.main.class=Main\nkiv.class.path=a.jar\nkiv.nl.valid.vm.list=J2\n");
    ChildResult result = app.run(L"");
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(app.recorded(L"exe.txt"), jre11);
    EXPECT_NE(app.recorded(L"commandline.txt").find(L"--add-opens"), std::wstring::npos);

    // The best 1.6.0 is registered with a home that holds nothing: its start fails.
    app.writeKiv("kiv.nl.java.launcher.main.class=Main\nkiv.class.path=a.jar\nkiv.nl.valid.vm.list=1.6.0\n");
    result = app.run(L"");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_TRUE(contains(result.standardError, "Windows error 2 occured while loading the Java VM"));
}

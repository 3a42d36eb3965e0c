// The registry adapter, the installed VMs of the Java keys and the wildcard registry hints
// against the test prefix's registry. The Java keys are machine-wide, so this executable
// runs alone and removes what it creates.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <optional>

#include "launcher/launcher_errors.h"
#include "launcher/vm/installed_vms.h"
#include "launcher/vm/registry_hints.h"
#include "launcher/vm/registry_key.h"
#include "tests/support/registry_keys.h"

using namespace velmora::launcher;
using namespace velmora::test;

namespace {

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

const VmRecord* byHome(const VmList& list, const std::wstring& home) {
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& r) { return r->home == home; });
    return it == list.end() ? nullptr : it->get();
}

}  // namespace

TEST_F(JavaRegistry, SixKeysOfTheLaunchersOwnView) {
    struct Registered {
        const wchar_t* key;  // below SOFTWARE
        const wchar_t* home;
        const wchar_t* micro;
        const wchar_t* version;  // null: dropped
        VmKind kind = VmKind::JRE;
        const wchar_t* vendor = L"Sun";
        bool classic = false;
    };
    const Registered registered[] = {
        {L"JavaSoft\\JRE\\11.0.2", L"C:\\jre11", L"7", L"11.0.2"},  // MicroVersion is not read from 9 on
        {L"JavaSoft\\Java Runtime Environment\\1.6", L"C:\\jre6", L"0", L"6.0.0"},
        {L"JavaSoft\\Java Runtime Environment\\1.6.0_31", L"C:\\jre6u31", L"0", L"6.0.31"},
        {L"JavaSoft\\Java Runtime Environment\\1.5", L"C:\\jre5", nullptr, nullptr},  // no MicroVersion
        {L"JavaSoft\\JDK\\1.1", L"C:\\jdk1.1", L"8", L"1.8.0", VmKind::JDK, L"Sun", true},
        // A home outside Latin-1 arrives as written.
        {L"JavaSoft\\Java Development Kit\\17", L"C:\\Users\\\u5c71\u7530\\jdk17", nullptr, L"17.0.0", VmKind::JDK},
        // The IBM runtime key has always meant a JDK here, and its development kit a JRE.
        {L"IBM\\Java2 Runtime Environment\\1.4", L"C:\\ibm14", L"2", L"4.2.0", VmKind::JDK, L"IBM"},
        {L"IBM\\Java Development Kit\\1.7", L"C:\\ibm17", L"0", L"7.0.0", VmKind::JRE, L"IBM"},
    };
    for (const auto& r : registered)
        registerVm(KEY_WOW64_64KEY, std::wstring(L"SOFTWARE\\") + r.key, r.home, r.micro);
    EXPECT_TRUE(setRegistryText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft\\Java Runtime Environment",
                                L"CurrentVersion", L"1.6"));
    registerVm(KEY_WOW64_32KEY, L"SOFTWARE\\JavaSoft\\JRE\\1.8", L"C:\\jre8-32", L"0");  // the other view: not read

    VmList list = enumerateRegistryVms();
    EXPECT_EQ(list.size(), 7u);
    EXPECT_EQ(byHome(list, L"C:\\jre8-32"), nullptr);
    for (const auto& r : list) EXPECT_EQ(r->is64Bit, 0);  // a 64-bit launcher marks nothing
    for (const auto& r : registered) {
        const VmRecord* record = byHome(list, r.home);
        ASSERT_EQ(record != nullptr, r.version != nullptr) << r.key;
        if (!record) continue;
        EXPECT_EQ(versionText(record->version), r.version) << r.key;
        EXPECT_EQ(record->kind, r.kind) << r.key;
        EXPECT_EQ(record->vendor, r.vendor) << r.key;
        EXPECT_EQ(dynamic_cast<const ClassicVm*>(record) != nullptr, r.classic) << r.key;
    }
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

TEST_F(JavaRegistry, InstalledListHoldsOneRecordPerHomeAndVersionBestLast) {
    const REGSAM native = KEY_WOW64_64KEY;
    registerVm(native, L"SOFTWARE\\JavaSoft\\JRE\\11", L"C:\\jre11", nullptr);
    registerVm(native, L"SOFTWARE\\JavaSoft\\JDK\\11", L"C:\\jre11", nullptr);  // the same VM twice
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", L"C:\\jre6", L"0");
    registerVm(native, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0_31", L"C:\\gone", L"0");

    InstalledVmList installed = buildInstalledVmList(1, {});
    ASSERT_EQ(installed.records.size(), 3u);
    EXPECT_EQ(versionText(installed.records[0]->version), L"6.0.0");
    EXPECT_EQ(versionText(installed.records[1]->version), L"6.0.31");
    EXPECT_EQ(installed.records[2]->home, L"C:\\jre11");
    EXPECT_EQ(installed.records[2]->kind, VmKind::JDK);  // the JDK key is read first; that record stays
}

// Strings read whole and up to their first NUL, at and around the first buffer's size,
// with odd byte counts and without terminators; other values refused.
TEST_F(JavaRegistry, StringValuesAndReadingErrors) {
    auto text = [](size_t length) {
        std::wstring t;
        for (size_t i = 0; i < length; ++i) t.push_back(static_cast<wchar_t>(L'a' + i % 26));
        return t;
    };
    auto bytes = [](const std::wstring& t, size_t nulCount, bool oddByte = false) {
        std::string b(reinterpret_cast<const char*>(t.data()), t.size() * sizeof(wchar_t));
        b.append(nulCount * sizeof(wchar_t), '\0');
        return oddByte ? b + 'q' : b;
    };
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::string data;
        std::optional<std::wstring> expected;  // none: KeyException
    };
    const std::string five = "\x05\0\0\0";
    const Case cases[] = {
        {L"Text", REG_SZ, bytes(L"C:\\\u00e9\u4e2d", 1), L"C:\\\u00e9\u4e2d"},
        {L"OverTheFirstBuffer", REG_SZ, bytes(text(300), 1), text(300)},
        {L"FillsTheFirstBuffer", REG_SZ, bytes(text(256), 0), text(256)},
        {L"TerminatorPastTheFirstBuffer", REG_SZ, bytes(text(256), 1), text(256)},
        {L"OddAndUnterminated", REG_SZ, bytes(L"ab", 0, true), L"ab"},
        {L"OddAndUnterminatedAndLong", REG_EXPAND_SZ, bytes(text(257), 0, true), text(257)},
        {L"Empty", REG_SZ, "", L""},
        {L"Several", REG_MULTI_SZ, bytes(std::wstring(L"first\0second", 12), 2), L"first"},
        {L"Number", REG_DWORD, five, std::nullopt},
    };
    const std::wstring path = L"SOFTWARE\\JavaSoft\\JRE\\x";
    for (const auto& c : cases)
        ASSERT_TRUE(setRegistryValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, path, c.name, c.type, c.data.data(),
                                     static_cast<DWORD>(c.data.size())));

    RegistryKey key;
    EXPECT_THROW(key.readString(L"Text"), KeyException);  // not open yet
    EXPECT_THROW(key.open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\Nothing", KEY_READ), KeyException);
    key.open(HKEY_LOCAL_MACHINE, path, KEY_READ);
    for (const auto& c : cases) {
        std::wstring text = L"unchanged";
        const LSTATUS status = key.tryReadString(c.name, text);
        if (c.expected) {
            EXPECT_EQ(status, ERROR_SUCCESS) << c.name;
            EXPECT_EQ(key.readString(c.name), *c.expected) << c.name;
            EXPECT_EQ(text, *c.expected) << c.name;
        } else {
            EXPECT_EQ(status, ERROR_INVALID_DATATYPE) << c.name;
            EXPECT_THROW(key.readString(c.name), KeyException) << c.name;
            EXPECT_EQ(text, L"unchanged") << c.name;
            EXPECT_EQ(key.failureText(status, RegistryCall::ReadValue, c.name),
                      L"value not a string: " + std::wstring(c.name) + L" (" + path + L")");
        }
    }
    EXPECT_THROW(key.readString(L"Missing"), KeyException);
    std::wstring missing;
    EXPECT_EQ(key.tryReadString(L"Missing", missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.failureText(ERROR_FILE_NOT_FOUND, RegistryCall::ReadValue, L"Missing"),
              L"key query failed: Missing (" + path + L")");
    EXPECT_EQ(key.valueType(L"Missing"), std::nullopt);
    EXPECT_EQ(key.valueType(L"Number"), std::optional<DWORD>(REG_DWORD));
    EXPECT_TRUE(key.subkeyNames().empty());

    RegistryKey absent;
    EXPECT_EQ(absent.tryOpen(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\Nothing", KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(absent.isOpen());
    std::vector<std::wstring> names{L"stale"};
    EXPECT_EQ(absent.trySubkeyNames(names), ERROR_INVALID_HANDLE);
    EXPECT_EQ(absent.failureText(ERROR_INVALID_HANDLE, RegistryCall::ListSubkeys),
              L"key not open (SOFTWARE\\JavaSoft\\Nothing)");
}

TEST_F(JavaRegistry, WildcardHintsExpandOverTheSubkeys) {
    for (const wchar_t* release : {L"1.5", L"1.6", L"CurrentVersion"})
        registerVm(KEY_WOW64_64KEY, std::wstring(L"SOFTWARE\\JavaSoft\\JRE\\") + release, L"C:\\jre", nullptr);
    auto hint = [](const std::wstring& key) { return L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\" + key + L"\\JavaHome"; };

    // 1.* over the subkeys 1.5, 1.6 and CurrentVersion gives two hints in enumeration order.
    EXPECT_EQ(expandRegistryWildcards({hint(L"JRE\\1.*"), hint(L"JRE\\1.6")}),
              (std::vector<std::wstring>{hint(L"JRE\\1.5"), hint(L"JRE\\1.6"), hint(L"JRE\\1.6")}));
    // A wildcard under a key that does not open, or one that matches nothing, stays as it is.
    for (const std::wstring& unexpanded : {hint(L"Missing\\1.*"), hint(L"JRE\\9.*")})
        EXPECT_EQ(expandRegistryWildcards({unexpanded}), std::vector<std::wstring>{unexpanded});
}

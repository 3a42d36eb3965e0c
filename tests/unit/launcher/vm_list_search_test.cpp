#include <gtest/gtest.h>

#include "launcher/vm/installed_vms.h"
#include "launcher/vm/pe_image.h"
#include "launcher/vm/registry_key.h"
#include "launcher/vm/vm_list_search.h"
#include "launcher/vm/vm_record.h"
#include "tests/unit/launcher/vm_record_builder.h"

using namespace velmora::launcher;
using velmora::launcher::test::vm;

namespace {

const ValidatorRun kNoValidator = [](const VmRecord&, const std::wstring&) -> bool {
    ADD_FAILURE() << "validator must not run";
    return false;
};

bool matches(const VmRecord& r, const wchar_t* entry) { return matchesListEntry(r, entry, kNoValidator); }

}  // namespace

TEST(ListEntries, FixedEntries) {
    auto jre6 = vm(VmKind::JRE, {6, 0, 20});
    auto jdk1 = vm(VmKind::JDK, {1, 1, 8});
    auto msj = vm(VmKind::MSJ, {1, 4, 0});
    EXPECT_TRUE(matches(*jre6, L"ALL"));
    EXPECT_TRUE(matches(*jre6, L"j2"));  // entries are upper-cased
    EXPECT_FALSE(matches(*jre6, L"J1"));
    EXPECT_TRUE(matches(*jre6, L"JRE_J2"));
    EXPECT_FALSE(matches(*jre6, L"JDK"));
    EXPECT_TRUE(matches(*jdk1, L"J1"));
    EXPECT_TRUE(matches(*jdk1, L"JDK_J1"));
    EXPECT_FALSE(matches(*jdk1, L"JDK_J2"));
    EXPECT_FALSE(matches(*jdk1, L"JRE_J1"));
    EXPECT_FALSE(matches(*msj, L"J1"));  // major 1, but the Microsoft VM is its own kind
    EXPECT_TRUE(matches(*msj, L"MSJ"));
    EXPECT_FALSE(matches(*jre6, L"msj"));
    // A major above 32767 reads as negative, as the stored 16-bit number always has.
    auto odd = vm(VmKind::JRE, {40000, 0, 0});
    EXPECT_TRUE(matches(*odd, L"J1"));
}

TEST(ListEntries, VersionTokens) {
    for (const wchar_t* yes : {L"", L"1.6", L"1.6.0", L"20", L"1.6*", L"1.5+", L"1.6.*", L"*"}) EXPECT_TRUE(isVersionToken(yes)) << yes;
    for (const wchar_t* no : {L".1", L"1.", L"1..6", L"1+6", L"++", L"CHECK", L"1.6a"}) EXPECT_FALSE(isVersionToken(no)) << no;
}

TEST(ListEntries, CustomEntrySplit) {
    CustomEntry e = splitCustomEntry(L"JRE_1.5+");
    EXPECT_EQ(e.kind, L"JRE");
    EXPECT_EQ(e.versionSpec, L"1.5+");
    EXPECT_EQ(e.validatorArgument, L"");
    e = splitCustomEntry(L"1.6.0_20");
    EXPECT_EQ(e.versionSpec, L"1.6.0_20");
    e = splitCustomEntry(L"CHECK__JRE_ALL_OTHER");
    EXPECT_EQ(e.kind, L"ALL");
    EXPECT_EQ(e.validatorArgument, L"OTHER");
}

TEST(ListEntries, VersionSpecs) {
    EXPECT_TRUE(matchesVersionSpec({6, 0, 0}, L"1.6+"));
    EXPECT_TRUE(matchesVersionSpec({11, 0, 2}, L"1.6+"));
    EXPECT_FALSE(matchesVersionSpec({5, 0, 99}, L"1.6+"));
    EXPECT_TRUE(matchesVersionSpec({6, 7, 8}, L"1.6*"));
    EXPECT_FALSE(matchesVersionSpec({7, 0, 0}, L"1.6*"));
    EXPECT_TRUE(matchesVersionSpec({6, 1, 9}, L"1.6.1*"));
    EXPECT_FALSE(matchesVersionSpec({6, 2, 0}, L"1.6.1*"));
    EXPECT_FALSE(matchesVersionSpec({6, 0, 20}, L"1.6.0_20*"));  // a micro part makes '*' match nothing
    EXPECT_TRUE(matchesVersionSpec({6, 0, 31}, L"1.6.0"));
    EXPECT_FALSE(matchesVersionSpec({6, 1, 0}, L"1.6.0"));
    EXPECT_TRUE(matchesVersionSpec({6, 0, 20}, L"1.6.0_20"));
    EXPECT_FALSE(matchesVersionSpec({6, 0, 21}, L"1.6.0_20"));
    EXPECT_TRUE(matchesVersionSpec({6, 0, 5}, L"6"));  // 1.6 and 6 mean the same
    EXPECT_TRUE(matchesVersionSpec({11, 0, 2}, L"11+"));
}

TEST(ListEntries, VersionSpecReadings) {
    // The packer's check judges entries by this reading: form, version and a stray marker.
    struct Case {
        const wchar_t* spec;
        VersionSpecForm form;
        VmVersion version;
        bool markerInside;
    } cases[] = {
        {L"1.6.0_20", VersionSpecForm::Exact, {6, 0, 20}, false},
        {L"1.5+", VersionSpecForm::AtLeast, {5, 0, 0}, false},
        {L"1.6*", VersionSpecForm::Prefix, {6, 0, 0}, false},
        {L"1.6.1*", VersionSpecForm::Prefix, {6, 1, 0}, false},
        {L"11.0.2*", VersionSpecForm::MatchesNothing, {11, 0, 2}, false},
        {L"1.*8", VersionSpecForm::Exact, parseVersionText(L"1.*8"), true},
        {L"1.8+*", VersionSpecForm::Prefix, parseVersionText(L"1.8+"), true},
        {L"", VersionSpecForm::Exact, parseVersionText(L""), false},
    };
    for (const auto& c : cases) {
        const VersionSpecReading reading = readVersionSpec(c.spec);
        EXPECT_EQ(reading.form, c.form) << c.spec;
        EXPECT_EQ(reading.version, c.version) << c.spec;
        EXPECT_EQ(reading.markerInside, c.markerInside) << c.spec;
    }
}

TEST(ListEntries, CustomEntriesCombineKindAndVersion) {
    auto jre5 = vm(VmKind::JRE, {5, 0, 0});
    auto jdk6 = vm(VmKind::JDK, {6, 3, 1});
    EXPECT_TRUE(matches(*jre5, L"JRE_1.5+"));
    EXPECT_FALSE(matches(*jdk6, L"JRE_1.5+"));
    EXPECT_TRUE(matches(*jdk6, L"ALL_1.6*"));
    EXPECT_TRUE(matches(*jdk6, L"jdk_1.6.3"));
}

TEST(ListEntries, ValidatorRunsFirstWithItsArgument) {
    auto jdk6 = vm(VmKind::JDK, {6, 0, 0});
    std::vector<std::wstring> arguments;
    ValidatorRun accept = [&](const VmRecord&, const std::wstring& a) { arguments.push_back(a); return true; };
    ValidatorRun refuse = [&](const VmRecord&, const std::wstring& a) { arguments.push_back(a); return false; };
    // The validator is asked even though the kind alone rules the record out.
    EXPECT_FALSE(matchesListEntry(*jdk6, L"check_JRE", accept));
    EXPECT_FALSE(matchesListEntry(*jdk6, L"CHECK_JDK", refuse));
    EXPECT_TRUE(matchesListEntry(*jdk6, L"CHECK_JDK_1.6", accept));
    EXPECT_EQ(arguments, (std::vector<std::wstring>{L"CHECK", L"CHECK", L"CHECK"}));
}

TEST(ValidList, Splitting) {
    EXPECT_TRUE(splitValidList(L"   ").empty());
    EXPECT_EQ(splitValidList(L"  J2   JRE_1.5+ "), (std::vector<std::wstring>{L"J2", L"JRE_1.5+"}));
}

TEST(ValidList, BestOfTheCollectedUnderThePlatform) {
    auto jre6 = vm(VmKind::JRE, {6, 0, 0}, 0, L"A");
    auto jre8 = vm(VmKind::JRE, {8, 0, 0}, 0, L"B");
    auto jdk7wide = vm(VmKind::JDK, {7, 0, 0}, 1, L"C");
    auto jdk11wide = vm(VmKind::JDK, {11, 0, 0}, 1, L"D");
    std::vector<VmRecord*> installed{jre6.get(), jre8.get(), jdk7wide.get(), jdk11wide.get()};
    LaunchOptions options;
    options.mainClass = L"M";
    auto pick = [&](std::vector<std::wstring> entries, int64_t platform) -> std::wstring {
        VmRecord* r = pickFromValidList(installed, entries, platform, prefersNot64Bit(platform), options, kNoValidator);
        return r ? r->home : L"none";
    };
    EXPECT_EQ(pick({L"ALL"}, 1), L"B");  // unmarked records rank higher
    EXPECT_EQ(pick({L"ALL"}, 0), L"D");
    EXPECT_EQ(pick({L"ALL"}, 7), L"D");
    EXPECT_EQ(pick({L"ALL"}, 2), L"D");
    EXPECT_EQ(pick({L"JDK"}, 3), L"none");  // marked records are never admitted
    EXPECT_EQ(pick({L"JRE"}, 2), L"none");
    EXPECT_EQ(pick({L"JDK", L"1.6"}, 1), L"A");  // entry order does not rank
    EXPECT_EQ(pick({L"JDK", L"J2"}, 1), L"B");
    EXPECT_EQ(pick({}, 1), L"none");
    EXPECT_EQ(jre6->launchOptions.mainClass, L"M");  // every tested record got the options
}

TEST(Ranking, DuplicatesAndOrder) {
    VmList list;
    list.push_back(vm(VmKind::JRE, {6, 0, 0}, 0, L"C:\\jre"));
    list.push_back(vm(VmKind::JDK, {6, 0, 0}, 0, L"C:\\jre"));  // same home and version
    list.push_back(vm(VmKind::JRE, {6, 0, 0}, 0, L"C:\\JRE"));  // homes compare case-sensitively
    list.push_back(vm(VmKind::JRE, {6, 0, 1}, 0, L"C:\\jre"));
    removeDuplicateVms(list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->kind, VmKind::JRE);  // the first one found stays

    auto low = vm(VmKind::JRE, {6, 0, 0});
    auto high = vm(VmKind::JRE, {7, 0, 0});
    auto wide = vm(VmKind::JRE, {5, 0, 0}, 1);
    EXPECT_TRUE(compareVmRank(*low, *high, true));
    EXPECT_FALSE(compareVmRank(*high, *low, true));
    EXPECT_TRUE(compareVmRank(*wide, *high, true));
    EXPECT_FALSE(compareVmRank(*wide, *high, false));
    EXPECT_TRUE(compareVmRank(*high, *wide, false));
    EXPECT_TRUE(prefersNot64Bit(1));
    EXPECT_TRUE(prefersNot64Bit(3));
    EXPECT_FALSE(prefersNot64Bit(0));
    EXPECT_FALSE(prefersNot64Bit(2));
}

TEST(ImageBitness, HeaderChecks) {
    std::vector<unsigned char> image(512, 0);
    image[0] = 'M';
    image[1] = 'Z';
    image[60] = 0x80;
    image[0x80] = 'P';
    image[0x81] = 'E';
    auto set16 = [&](size_t at, unsigned v) { image[at] = v & 0xFF; image[at + 1] = v >> 8; };
    set16(0x84, 0x14C);
    set16(0x98, 0x10B);
    EXPECT_EQ(imageBitnessOf(image.data(), image.size()), 1);
    set16(0x84, 0x8664);
    set16(0x98, 0x20B);
    EXPECT_EQ(imageBitnessOf(image.data(), image.size()), 2);
    set16(0x98, 0x10B);  // a 64-bit machine with a 32-bit header is neither
    EXPECT_EQ(imageBitnessOf(image.data(), image.size()), 0);
    EXPECT_EQ(imageBitnessOf(image.data(), 0x90), 0);  // header cut off: no read past the end
    image[60] = 0xFF;
    image[61] = 0xFF;
    EXPECT_EQ(imageBitnessOf(image.data(), image.size()), 0);
    image[0] = 'X';
    EXPECT_EQ(imageBitnessOf(image.data(), image.size()), 0);
}

TEST(SubkeyNames, AFailingIndexIsSkipped) {
    struct Case {
        DWORD count;
        std::vector<LSTATUS> statuses;  // per index; names are "k<index>"
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {3, {ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SUCCESS}, {L"k0", L"k2"}},
        {3, {ERROR_MORE_DATA, ERROR_SUCCESS, ERROR_INVALID_HANDLE}, {L"k1"}},
        {4, {ERROR_SUCCESS, ERROR_NO_MORE_ITEMS, ERROR_SUCCESS, ERROR_SUCCESS}, {L"k0"}},  // the key shrank
        {2, {ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS}, {L"k0", L"k1"}},  // added since counted: not read
        {0, {}, {}},
    };
    for (const auto& c : cases) {
        std::vector<DWORD> asked;
        auto names = collectSubkeyNames(c.count, [&](DWORD index, std::wstring& name) {
            asked.push_back(index);
            if (c.statuses[index] == ERROR_SUCCESS) name = L"k" + std::to_wstring(index);
            return c.statuses[index];
        });
        EXPECT_EQ(names, c.expected) << "count " << c.count;
        EXPECT_LE(asked.size(), c.count);
    }
}

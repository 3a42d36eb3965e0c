// The diagnostic trail's switch and line form, and the reasons the searches hand to it.
#include <gtest/gtest.h>

#include "launcher/diagnostic_trail.h"
#include "launcher/vm/installed_vms.h"
#include "launcher/vm/platform_rule.h"
#include "launcher/vm/registry_views.h"
#include "launcher/vm/vm_list_search.h"
#include "launcher/vm/vm_record.h"
#include "tests/unit/launcher/vm_record_builder.h"
#include "launcher/vm/vm_validation.h"

using namespace velmora::launcher;
using velmora::launcher::test::vm;

namespace {

// The refusal a list entry gives, or "match".
std::wstring refusalOf(const VmRecord& record, const wchar_t* entry, bool validatorAccepts = true) {
    ValidatorRun validator = [validatorAccepts](const VmRecord&, const std::wstring&) { return validatorAccepts; };
    std::wstring refusal = L"untouched";
    if (matchesListEntry(record, entry, validator, &refusal)) return refusal == L"untouched" ? L"match" : refusal;
    return refusal;
}

}  // namespace

TEST(TrailSwitch, OnlyTrueInAnyLetterCase) {
    for (const wchar_t* on : {L"true", L"TRUE", L"True", L"tRuE"}) EXPECT_TRUE(trailSwitchOn(on)) << on;
    for (const wchar_t* off : {L"", L"1", L"yes", L"false", L" true", L"true ", L"truex", L"tru"})
        EXPECT_FALSE(trailSwitchOn(off)) << off;
    EXPECT_FALSE(trailSwitchOn(nullptr));
}

TEST(TrailLine, OneFactStaysOnOneLine) {
    EXPECT_EQ(trailLine(L"java.version is \"1.8.0\r\", expected"), L"java.version is \"1.8.0\\r\", expected");
    EXPECT_EQ(trailLine(L"a\nb\tc\x01" L"d\x7F"), L"a\\nb\\tc\\x01d\\x7F");
    EXPECT_EQ(trailLine(L"C:\\Users\\\u5c71\u7530 \u00e9"), L"C:\\Users\\\u5c71\u7530 \u00e9");
}

TEST(TrailReasons, FixedEntriesNameTheConditionThatFailed) {
    auto jre8 = vm(VmKind::JRE, {8, 0, 310});
    auto jdk1 = vm(VmKind::JDK, {1, 1, 8});
    auto msj = vm(VmKind::MSJ, {1, 4, 0});
    EXPECT_EQ(refusalOf(*jre8, L"J1"), L"major version 8 is above 1");
    EXPECT_EQ(refusalOf(*msj, L"j1"), L"the Microsoft VM is not J1");
    EXPECT_EQ(refusalOf(*jdk1, L"J2"), L"major version 1 is not above 1");
    EXPECT_EQ(refusalOf(*jre8, L"JDK"), L"kind JRE is not JDK");
    EXPECT_EQ(refusalOf(*jre8, L"MSJ"), L"kind JRE is not MSJ");
    // Kind first, then the major version.
    EXPECT_EQ(refusalOf(*jdk1, L"JRE_J2"), L"kind JDK is not JRE");
    EXPECT_EQ(refusalOf(*jdk1, L"JDK_J2"), L"major version 1 is not above 1");
    EXPECT_EQ(refusalOf(*jre8, L"JRE_J1"), L"major version 8 is not below 2");
    // A match leaves the text alone.
    EXPECT_EQ(refusalOf(*jre8, L"JRE_J2"), L"match");
    EXPECT_EQ(refusalOf(*msj, L"ALL"), L"match");
}

TEST(TrailReasons, ReportOfTheListSearch) {
    auto jre6 = vm(VmKind::JRE, {6, 0, 0}, 0, L"A");
    auto jre8 = vm(VmKind::JRE, {8, 0, 0}, 0, L"B");
    auto jdk11wide = vm(VmKind::JDK, {11, 0, 0}, 1, L"C");
    std::vector<VmRecord*> installed{jre8.get(), jre6.get(), jdk11wide.get()};
    const std::vector<std::wstring> entries{L"JRE", L"J2"};
    ValidatorRun none = [](const VmRecord&, const std::wstring&) { return true; };

    ListSearchReport report;
    VmRecord* chosen = pickFromValidList(installed, entries, 3, true, LaunchOptions{}, none, &report);
    // Asking for the report does not change the choice.
    EXPECT_EQ(chosen, pickFromValidList(installed, entries, 3, true, LaunchOptions{}, none));
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->home, L"B");

    ASSERT_EQ(report.steps.size(), 6u);  // every record against every entry, in that order
    auto step = [&](size_t i) {
        const ListSearchStep& s = report.steps[i];
        return s.entry + L" " + s.record->home + (s.accepted ? L" accepted " : L" refused ") + s.reason;
    };
    EXPECT_EQ(step(0), L"JRE B accepted ");
    EXPECT_EQ(step(1), L"JRE A accepted ");
    EXPECT_EQ(step(2), L"JRE C refused kind JDK is not JRE");
    EXPECT_EQ(step(3), L"J2 B accepted already taken by an earlier entry");
    EXPECT_EQ(step(5), L"J2 C refused platform 3 admits only VMs not marked 64-bit");
    ASSERT_EQ(report.ranked.size(), 2u);
    EXPECT_EQ(report.ranked[0]->home, L"A");
    EXPECT_EQ(report.ranked[1], chosen);  // best last

    EXPECT_EQ(platformRefusal(2), L"platform 2 admits only VMs marked 64-bit");
}

TEST(TrailReasons, PlatformRuleWordedForEachSearch) {
    struct Case {
        int64_t platform;
        const wchar_t* list;
        const wchar_t* specFiles;
    } cases[] = {
        {0, L"all VMs, those marked 64-bit ranked higher", L"the first VM marked 64-bit, else the first other"},
        {1, L"all VMs, those not marked 64-bit ranked higher", L"the first VM not marked 64-bit, else the first marked"},
        {2, L"only VMs marked 64-bit", L"only the first VM marked 64-bit"},
        {3, L"only VMs not marked 64-bit", L"only the first VM not marked 64-bit"},
        {4, L"all VMs, those marked 64-bit ranked higher", L"no VM (the value is not one of 0 to 3)"},
        {-1, L"all VMs, those marked 64-bit ranked higher", L"no VM (the value is not one of 0 to 3)"},
    };
    for (const auto& c : cases) {
        const std::wstring head = L"platform " + std::to_wstring(c.platform) + L": ";
        EXPECT_EQ(platformRuleText(c.platform, PlatformSearch::List), head + c.list);
        EXPECT_EQ(platformRuleText(c.platform, PlatformSearch::SpecFiles), head + c.specFiles);
    }
}

TEST(TrailReasons, RegistryViewsInEachOrder) {
    auto walk = [](ViewOrder order) {
        std::wstring text;
        for (const RegistryView& view : registryViews(order))
            text += std::to_wstring(view.flag) + L"=" + view.label + L";";
        return text;
    };
    const std::wstring wide = std::to_wstring(KEY_WOW64_64KEY) + L"= (64-bit view);";
    const std::wstring narrow = std::to_wstring(KEY_WOW64_32KEY) + L"= (32-bit view);";
    // This test program is never run under WOW64: the own view alone, named for the build.
    const std::wstring own = sizeof(void*) == 8 ? L"0= (64-bit view);" : L"0= (32-bit view);";
    EXPECT_EQ(walk(ViewOrder::WideFirst), wide + narrow);
    EXPECT_EQ(walk(ViewOrder::OwnThenWide), own);
    EXPECT_EQ(walk(ViewOrder::Shared), L"0=;");
    EXPECT_STREQ(registryViewLabel(KEY_READ | KEY_WOW64_32KEY), L" (32-bit view)");
    EXPECT_STREQ(registryViewLabel(KEY_READ | KEY_WOW64_64KEY), L" (64-bit view)");
}

TEST(TrailReasons, VerifyNamesTheFailingProperty) {
    const PropertyChecks checks{{L"java.vendor", L"Oracle*"}, {L"java.version", L"1.7*"}};
    std::wstring failure = L"untouched";
    EXPECT_FALSE(checkVerifyOutput("Verify 1.0\nOracle Corporation\n1.8.0_310\n", checks, &failure));
    EXPECT_EQ(failure, L"java.version is \"1.8.0_310\", expected \"1.7*\"");
    // CR LF answers: the CR stays on the value, which the trail then shows.
    EXPECT_FALSE(checkVerifyOutput("H\r\nSun\r\n1.7.0\r\n", checks, &failure));
    EXPECT_EQ(failure, L"java.vendor is \"Sun\r\", expected \"Oracle*\"");
    EXPECT_FALSE(checkVerifyOutput("Verify 1.0", {}, &failure));
    EXPECT_EQ(failure, L"Verify printed a header line alone");
    EXPECT_FALSE(checkVerifyOutput(" \r\n", checks, &failure));
    EXPECT_EQ(failure, L"Verify printed nothing");

    failure = L"untouched";
    EXPECT_TRUE(checkVerifyOutput("H\nOracle Corporation\n1.7.0_80\n", checks, &failure));
    EXPECT_EQ(failure, L"untouched");
}

TEST(TrailReasons, DuplicatesAreHandedBack) {
    VmList list;
    list.push_back(vm(VmKind::JRE, {6, 0, 0}, 0, L"C:\\jre"));
    list.push_back(vm(VmKind::JDK, {6, 0, 0}, 0, L"C:\\jre"));
    list.push_back(vm(VmKind::JRE, {6, 0, 1}, 0, L"C:\\jre"));
    list.push_back(vm(VmKind::JRE, {6, 0, 0}, 0, L"C:\\jre"));
    VmList removed = removeDuplicateVms(list);
    ASSERT_EQ(list.size(), 2u);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0]->kind, VmKind::JDK);
    EXPECT_EQ(nameVm(*removed[1]), L"JRE 6.0.0 at C:\\jre");
    auto wide = vm(VmKind::JDK, {11, 0, 2}, 1, L"D:\\jdk");
    wide->vendor = L"IBM";
    EXPECT_EQ(describeVm(*wide), L"JDK, vendor IBM, version 11.0.2, 64-bit, home D:\\jdk");
}

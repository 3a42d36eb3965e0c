// Taking the heap options out of the launcher's command line, and the .kiv rewrite.
#include <gtest/gtest.h>

#include "selfextract/heap_options.h"
#include "selfextract/kiv_file.h"

using namespace ruvo;

namespace {

std::wstring Stripped(std::wstring line) {
    StripHeapOptions(line);
    return line;
}

HeapOverride Heap(const wchar_t* minimum, const wchar_t* maximum) {
    HeapOverride heap;
    if (minimum) heap.minimumGiven = true, heap.minimum = minimum;
    if (maximum) heap.maximumGiven = true, heap.maximum = maximum;
    return heap;
}

}  // namespace

TEST(StripHeapOptions, DropsBothOptionsWithTheirValues) {
    EXPECT_EQ(Stripped(L"setup.exe -i silent -jvmxmx 1024m"), L"setup.exe -i silent ");
    EXPECT_EQ(Stripped(L"\"C:\\a b\\setup.exe\"  -jvmxms 256m   x -jvmxmx 2g y"), L"\"C:\\a b\\setup.exe\" x y ");
    EXPECT_EQ(Stripped(L"setup.exe -jvmxmx"), L"setup.exe ");
    EXPECT_EQ(Stripped(L"setup.exe -JVMXMX 1g"), L"setup.exe -JVMXMX 1g ");
    EXPECT_EQ(Stripped(L"setup.exe -jvmxms -jvmxmx 1g"), L"setup.exe 1g ");
}

TEST(RewriteKivHeapText, ReplacesOnlyTheGivenKeys) {
    const std::string kiv =
        "# heap\n"
        "kiv.nl.java.option.java.heap.size.max=512m\n"
        "\n"
        "kiv.nl.java.option.java.heap.size.initial=16m\r\n"
        "kiv.nl.java.option.java.heap.size.max.extra=1\n"
        "#kiv.nl.java.option.java.heap.size.max=3m\n"
        "kiv.nl.java.option.java.heap.size.max =7m\n"
        "last\xe9";
    EXPECT_EQ(RewriteKivHeapText(kiv, Heap(nullptr, L"2g")),
              "# heap\r\n"
              "kiv.nl.java.option.java.heap.size.max=2g\r\n"
              "\r\n"
              "kiv.nl.java.option.java.heap.size.initial=16m\r\n"
              "kiv.nl.java.option.java.heap.size.max.extra=1\r\n"
              "#kiv.nl.java.option.java.heap.size.max=3m\r\n"
              "kiv.nl.java.option.java.heap.size.max =7m\r\n"
              "last\xe9\r\n");
    EXPECT_EQ(RewriteKivHeapText("kiv.nl.java.option.java.heap.size.initial\n", Heap(L"256m", nullptr)),
              "kiv.nl.java.option.java.heap.size.initial=256m\r\n");
    // A key that is not there is not added.
    EXPECT_EQ(RewriteKivHeapText("a=b\n", Heap(L"1m", L"2m")), "a=b\r\n");
    EXPECT_EQ(RewriteKivHeapText("kiv.nl.java.option.java.heap.size.max=1m\n", Heap(nullptr, L"\u0101")),
              "kiv.nl.java.option.java.heap.size.max=\\u0101\r\n");
}

TEST(KivSwitchIsSet, ReadsTheCleanupKeyAsTheLauncherReadsSwitches) {
    const struct {
        const char* text;
        bool set;
    } cases[] = {
        {"kiv.installer.cleanup=true\n", true},
        {"a=b\r\n  kiv.installer.cleanup =  TRUE \r\n", true},
        {"kiv.installer.cleanup=on", true},
        {"kiv.installer.cleanup=t\n", true},
        {"", false},
        {"kiv.installer.cleanup=false\n", false},
        {"kiv.installer.cleanup=yes\n", false},
        {"#kiv.installer.cleanup=true\n", false},
        {"kiv.installer.cleanup.extra=true\nkiv.installer.cleanupx=true\n", false},
        {"kiv.installer.cleanup true\n", false},  // no "=": no property
        {"kiv.installer.cleanup=true\nkiv.installer.cleanup=false\n", false},  // the last one counts
    };
    for (const auto& c : cases) EXPECT_EQ(KivSwitchIsSet(c.text, kCleanupKey), c.set) << c.text;
}

// Hostprobe.dll as a Java VM uses it: loaded, its natives found by name and called with an
// environment and class it must not touch. Figures are checked against what this process
// reads from the same system calls around each call. Built 32-bit too, to call the shipped
// library as a 32-bit VM does.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "common/unique_handle.h"
#include "tests/support/test_paths.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const char* const kNatives[] = {
    "getProcessID",           "getProcessCPUTime",          "getProcessCPUUsage",
    "getMemoryLoad",          "getTotalPhysicalMemory",     "getAvailablePhysicalMemory",
    "getTotalPageFile",       "getAvailablePageFile",       "getTotalVirtualMemory",
    "getAvailableVirtualMemory", "getProcessorArchitecture", "getProcessorLevel",
    "getProcessorRevision",   "getNumberOfProcessors",      "getProcessorType",
};

// A stand-in JNIEnv whose every function records that it was called.
int environmentCalls = 0;
void JNICALL recordCall() { ++environmentCalls; }

struct StandInEnvironment {
    StandInEnvironment() {
        auto** slots = reinterpret_cast<void**>(&table);
        std::fill(slots, slots + sizeof table / sizeof(void*), reinterpret_cast<void*>(&recordCall));
        env.functions = &table;
    }
    JNINativeInterface_ table{};
    JNIEnv env{};
    int classObject = 0;  // stands for the Java class; only its address is passed
    jclass cls() { return reinterpret_cast<jclass>(&classObject); }
};

#if defined(__i386__)
// Calls native(env, cls) as a 32-bit VM does and returns how far the stack pointer moved:
// 0 when the native popped its two arguments (__stdcall), 8 when it left them (cdecl), which
// in a VM corrupts the caller's stack. A double result is dropped from the x87 stack.
extern "C" int nativeStackDrift(void* native, JNIEnv* env, jclass cls, int returnsDouble);
asm(R"(
    .text
    .globl _nativeStackDrift
_nativeStackDrift:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl %esp, %esi
    pushl 16(%ebp)
    pushl 12(%ebp)
    call *8(%ebp)
    cmpl $0, 20(%ebp)
    je 1f
    fstp %st(0)
1:  movl %esi, %eax
    subl %esp, %eax
    movl %esi, %esp
    popl %esi
    popl %ebp
    ret
)");
#endif

std::int64_t ticks(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

struct OwnTimes {
    std::int64_t creation, cpu, now;
};

OwnTimes ownTimes() {
    FILETIME creation{}, exit{}, kernel{}, user{}, now{};
    EXPECT_TRUE(::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user));
    ::GetSystemTimeAsFileTime(&now);
    return {ticks(creation), ticks(kernel) + ticks(user), ticks(now)};
}

std::int64_t processorCount() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

MEMORYSTATUS memoryStatus() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    ::GlobalMemoryStatus(&status);
    return status;
}

class HostprobeLibrary : public ::testing::Test {
protected:
    // Every test gets a freshly attached library, as a new VM would.
    void SetUp() override {
        library.reset(::LoadLibraryW(distProgram(L"Hostprobe.dll").c_str()));
        ASSERT_TRUE(library) << "LoadLibrary failed with " << ::GetLastError();
        environmentCalls = 0;
    }
    void TearDown() override { EXPECT_EQ(environmentCalls, 0) << "a native used the JNI environment"; }

    FARPROC address(const std::string& name) { return ::GetProcAddress(library.get(), name.c_str()); }

    template <typename Result>
    Result call(const std::string& method) {
        using Native = Result(JNICALL*)(JNIEnv*, jclass);
        auto native = reinterpret_cast<Native>(address("Java_it_tavora_util_system_Hostprobe_" + method));
        if (!native) {
            ADD_FAILURE() << method << " is not exported";
            return Result{};
        }
        return native(&stand.env, stand.cls());
    }

    jint onLoad() {
        using OnLoad = jint(JNICALL*)(JavaVM*, void*);
        auto entry = reinterpret_cast<OnLoad>(address("JNI_OnLoad"));
        if (!entry) {
            ADD_FAILURE() << "JNI_OnLoad is not exported";
            return 0;
        }
        JavaVM vm{};  // a stand-in; the library must not need it
        return entry(&vm, nullptr);
    }

    // A figure that may change between calls must lie between readings taken around it.
    void expectBetweenReadings(const char* method, const std::function<std::int64_t()>& reading) {
        std::int64_t before = 0, value = 0, after = 0;
        for (int attempt = 0; attempt < 200; ++attempt) {
            before = reading();
            value = call<jlong>(method);
            after = reading();
            if (std::min(before, after) <= value && value <= std::max(before, after)) return;
        }
        ADD_FAILURE() << method << " gave " << value << ", readings around it " << before << " and " << after;
    }

    void expectUsageBetweenReadings() {
        const double processors = static_cast<double>(processorCount());
        double usage = 0, lowest = 0, highest = 0;
        for (int attempt = 0; attempt < 50; ++attempt) {
            const OwnTimes before = ownTimes();
            usage = call<jdouble>("getProcessCPUUsage");
            const OwnTimes after = ownTimes();
            ASSERT_GE(before.now - before.creation, 10000) << "the test process is younger than a millisecond";
            // Work and lifetime both grow while the call runs; that bounds the share it can give.
            lowest = before.cpu / ((after.now - after.creation) * processors);
            highest = after.cpu / ((before.now - before.creation) * processors);
            if (lowest <= usage && usage <= highest) return;
        }
        ADD_FAILURE() << "usage " << usage << " outside [" << lowest << ", " << highest << "]";
    }

    UniqueModule library;
    StandInEnvironment stand;
};

}  // namespace

TEST_F(HostprobeLibrary, ExportsEveryNativeAndOnLoadReportsJni12) {
    for (const char* method : kNatives)
        EXPECT_NE(address(std::string("Java_it_tavora_util_system_Hostprobe_") + method), nullptr) << method;
    EXPECT_EQ(onLoad(), 0x00010002);
}

#if defined(__i386__)
TEST_F(HostprobeLibrary, NativesPopTheirArgumentsAsStdcall) {
    onLoad();
    for (const char* method : kNatives) {
        void* native = reinterpret_cast<void*>(address(std::string("Java_it_tavora_util_system_Hostprobe_") + method));
        ASSERT_NE(native, nullptr) << method;
        const bool returnsDouble = std::string(method) == "getProcessCPUUsage";
        EXPECT_EQ(nativeStackDrift(native, &stand.env, stand.cls(), returnsDouble), 0) << method;
    }
}
#endif

TEST_F(HostprobeLibrary, ProcessIdIsThisProcess) {
    onLoad();
    EXPECT_EQ(call<jint>("getProcessID"), static_cast<jint>(::GetCurrentProcessId()));
}

TEST_F(HostprobeLibrary, MemoryFiguresAreThoseOfGlobalMemoryStatus) {
    onLoad();
    expectBetweenReadings("getMemoryLoad", [] { return std::int64_t(memoryStatus().dwMemoryLoad); });
    expectBetweenReadings("getTotalPhysicalMemory", [] { return std::int64_t(memoryStatus().dwTotalPhys); });
    expectBetweenReadings("getAvailablePhysicalMemory", [] { return std::int64_t(memoryStatus().dwAvailPhys); });
    expectBetweenReadings("getTotalPageFile", [] { return std::int64_t(memoryStatus().dwTotalPageFile); });
    expectBetweenReadings("getAvailablePageFile", [] { return std::int64_t(memoryStatus().dwAvailPageFile); });
    expectBetweenReadings("getTotalVirtualMemory", [] { return std::int64_t(memoryStatus().dwTotalVirtual); });
    expectBetweenReadings("getAvailableVirtualMemory",
                          [] { return std::int64_t(memoryStatus().dwAvailVirtual); });
}

TEST_F(HostprobeLibrary, ProcessorFiguresAreThoseOfGetSystemInfo) {
    onLoad();
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    EXPECT_EQ(call<jint>("getProcessorArchitecture"), info.wProcessorArchitecture);
    EXPECT_EQ(call<jint>("getProcessorLevel"), info.wProcessorLevel);
    EXPECT_EQ(call<jint>("getProcessorRevision"), info.wProcessorRevision);
    EXPECT_EQ(call<jint>("getNumberOfProcessors"), static_cast<jint>(info.dwNumberOfProcessors));
    EXPECT_EQ(call<jlong>("getProcessorType"), static_cast<std::int32_t>(info.dwProcessorType));
}

TEST_F(HostprobeLibrary, CpuTimeIsProcessTimePerProcessorInMilliseconds) {
    onLoad();
    const std::int64_t divisor = processorCount() * 10000;
    expectBetweenReadings("getProcessCPUTime", [&] { return ownTimes().cpu / divisor; });
}

TEST_F(HostprobeLibrary, CpuTimeGrowsWithWork) {
    onLoad();
    const jlong first = call<jlong>("getProcessCPUTime");
    // Work until this process has used 20 ms more per processor, or give up after 30 s.
    const std::int64_t target = ownTimes().cpu + processorCount() * 10000 * 20;
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    volatile std::uint64_t sink = 0;
    while (ownTimes().cpu < target && ::GetTickCount64() < deadline)
        for (int i = 0; i < 100000; ++i) sink = sink + i;
    ASSERT_GE(ownTimes().cpu, target) << "the busy loop did not register as CPU time";
    EXPECT_GE(call<jlong>("getProcessCPUTime"), first + 20);
}

TEST_F(HostprobeLibrary, CpuUsageIsLifetimeShareOfAllProcessors) {
    onLoad();
    expectUsageBetweenReadings();
}

// A host that never calls JNI_OnLoad must still get sound figures, not a division fault.
TEST_F(HostprobeLibrary, FiguresAreSoundWithoutOnLoad) {
    EXPECT_EQ(call<jint>("getProcessID"), static_cast<jint>(::GetCurrentProcessId()));
    const std::int64_t divisor = processorCount() * 10000;
    expectBetweenReadings("getProcessCPUTime", [&] { return ownTimes().cpu / divisor; });
    expectUsageBetweenReadings();
}

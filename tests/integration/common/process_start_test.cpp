// Starting a process through the common adapter: what the child inherits, what it writes
// through the handles it was given, and a start that fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/process_start.h"

using namespace velmora;

namespace {

const std::wstring kCommand = L"C:\\windows\\system32\\cmd.exe";

// Whether the child holds our event under the same value, as an inherited handle would be.
bool childHoldsEvent(HANDLE child, HANDLE event) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(child, event, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) return false;
    UniqueKernelHandle owned(copy);
    SetEvent(event);
    bool signalled = WaitForSingleObject(copy, 0) == WAIT_OBJECT_0;
    ResetEvent(event);
    return signalled && WaitForSingleObject(copy, 0) == WAIT_TIMEOUT;
}

}  // namespace

TEST(ProcessStart, TheChildInheritsOnlyTheStandardHandlesItIsGiven) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueKernelHandle event(CreateEventW(&inheritable, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event.valid());
    for (bool withHandles : {true, false}) {
        UniqueKernelHandle read, write;
        ASSERT_TRUE(CreatePipe(read.receive(), write.receive(), nullptr, 0));  // not inheritable itself
        ProcessStart start;
        start.commandLine = L"\"" + kCommand + L"\" /c echo written";
        start.creationFlags = CREATE_SUSPENDED | CREATE_NO_WINDOW;
        start.useStandardHandles = withHandles;
        start.standardHandles = {nullptr, write.get(), write.get()};
        StartedProcess started = startProcess(start);
        ASSERT_TRUE(started.started()) << started.error;
        EXPECT_FALSE(childHoldsEvent(started.process.get(), event.get())) << withHandles;
        ResumeThread(started.thread.get());
        EXPECT_EQ(waitForExit(started.process.get(), 99), 0u);
        write.reset();
        std::string output;
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(read.get(), buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
        EXPECT_EQ(output.find("written") != std::string::npos, withHandles) << output;
    }
}

TEST(ProcessStart, AFailedStartReportsTheSystemsReason) {
    ProcessStart start;
    start.commandLine = L"C:\\no\\such\\program.exe";
    StartedProcess started = startProcess(start);
    EXPECT_FALSE(started.started());
    EXPECT_FALSE(started.process.valid());
    EXPECT_TRUE(started.error == ERROR_FILE_NOT_FOUND || started.error == ERROR_PATH_NOT_FOUND) << started.error;
}

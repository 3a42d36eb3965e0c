#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/unique_handle.h"
#include "launcher/console_service.h"
#include "launcher/parent_console.h"
#include "launcher/vm/vm_record.h"
#include "launcher/windowed_mode.h"

using namespace velmora;
using namespace velmora::launcher;

namespace {

// Points standard error at a pipe for the life of the object.
class CapturedStandardError {
public:
    CapturedStandardError() : previous_(::GetStdHandle(STD_ERROR_HANDLE)) {
        ::CreatePipe(read_.receive(), write_.receive(), nullptr, 1 << 20);
        ::SetStdHandle(STD_ERROR_HANDLE, write_.get());
    }
    ~CapturedStandardError() { ::SetStdHandle(STD_ERROR_HANDLE, previous_); }

    std::string take() {
        write_.reset();
        ::SetStdHandle(STD_ERROR_HANDLE, previous_);
        std::string bytes;
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(read_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
        return bytes;
    }

private:
    HANDLE previous_;
    UniqueKernelHandle read_, write_;
};

}  // namespace

// The test program has no string table: the title falls back to the English text.
TEST(ConsoleServiceReport, RedirectedLineIsWholeAndUtf8) {
    CapturedStandardError captured;
    std::wstring longText(600, L'x');
    longText += wchar_t(0x00E9);
    longText += wchar_t(0x4E2D);
    ConsoleService::instance().reportError(longText);
    EXPECT_EQ(captured.take(), "Quillrun Error: " + std::string(600, 'x') + "\xc3\xa9\xe4\xb8\xad\n");
}

// javaw.exe for the windowed launcher; java.exe when it shares the console it was started from.
TEST(WindowedVm, TheCounterpartOfTheOtherSubsystemWhenItIsBesideTheVm) {
    static const std::wstring present[] = {L"C:\\jdk\\bin\\java.exe", L"C:\\jdk\\bin\\javaw.exe",
                                           L"C:\\old\\bin\\jre.exe", L"C:\\old\\bin\\jrew.exe"};
    auto exists = [](const std::wstring& path) {
        for (const auto& p : present)
            if (p == path) return true;
        return false;
    };
    const struct {
        const wchar_t* line;
        const wchar_t* windowed;
        const wchar_t* console;
    } cases[] = {
        {L"\"C:\\jdk\\bin\\java.exe\" -cp \"a;\" M x", L"\"C:\\jdk\\bin\\javaw.exe\" -cp \"a;\" M x", nullptr},
        {L"\"C:\\jdk\\bin\\JAVA.EXE\" M", L"\"C:\\jdk\\bin\\javaw.exe\" M", nullptr},
        {L"\"C:\\old\\bin\\jre.exe\" -cp \"a;\" M", L"\"C:\\old\\bin\\jrew.exe\" -cp \"a;\" M", nullptr},
        {L"\"C:\\other\\bin\\java.exe\" M", nullptr, nullptr},  // no javaw.exe there
        {L"\"C:\\jdk\\bin\\javaw.exe\" -cp \"a;\" M x", nullptr, L"\"C:\\jdk\\bin\\java.exe\" -cp \"a;\" M x"},
        {L"\"C:\\jdk\\bin\\JavaW.exe\" M", nullptr, L"\"C:\\jdk\\bin\\java.exe\" M"},
        {L"\"C:\\old\\bin\\jrew.exe\" M", nullptr, L"\"C:\\old\\bin\\jre.exe\" M"},
        {L"\"C:\\only\\bin\\javaw.exe\" M", nullptr, nullptr},  // no java.exe there
        {L"\"C:\\W\\jview.exe\" /cp \"a;\" M", nullptr, nullptr},
        {L"\"C:\\jdk\\bin\\java.exe", nullptr, nullptr},  // unterminated: left alone
        {L"\"C:\\jdk\\bin\\javaw.exe", nullptr, nullptr},
        {L"", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(windowedVmCommandLine(c.line, exists), c.windowed ? c.windowed : c.line) << c.line;
        EXPECT_EQ(consoleVmCommandLine(c.line, exists), c.console ? c.console : c.line) << c.line;
    }
}

TEST(WindowedVm, AStandardVmIsStartedByTheExecutableItShips) {
    static std::vector<std::wstring> present;
    auto exists = [](const std::wstring& path) {
        for (const auto& p : present)
            if (p == path) return true;
        return false;
    };
    const struct {
        std::vector<std::wstring> files;
        const wchar_t* home;
        const wchar_t* expected;
    } cases[] = {
        {{L"C:\\jdk\\bin\\java.exe", L"C:\\jdk\\bin\\javaw.exe"}, L"C:\\jdk", L"C:\\jdk\\bin\\java.exe"},
        {{L"C:\\jdk\\bin\\javaw.exe"}, L"C:\\jdk", L"C:\\jdk\\bin\\javaw.exe"},
        {{}, L"C:\\jdk", L"C:\\jdk\\java.exe"},
        {{L"C:\\Windows\\System32\\javaw.exe"}, L"C:\\Windows\\System32", L"C:\\Windows\\System32\\javaw.exe"},
    };
    for (const auto& c : cases) {
        present = c.files;
        EXPECT_EQ(standardExecutablePath(c.home, exists), c.expected) << c.home;
    }
}

TEST(ParentConsole, RedirectionsStayAndTheConsoleFillsTheRest) {
    HANDLE file = reinterpret_cast<HANDLE>(0x100), pipe = reinterpret_cast<HANDLE>(0x104);
    HANDLE in = reinterpret_cast<HANDLE>(0x200), out = reinterpret_cast<HANDLE>(0x204);
    const struct {
        StandardHandles given;
        StandardHandles expected;
    } cases[] = {
        {{nullptr, nullptr, nullptr}, {in, out, out}},
        {{pipe, file, file}, {pipe, file, file}},
        {{nullptr, file, INVALID_HANDLE_VALUE}, {in, file, out}},  // "app > out.txt"
        {{INVALID_HANDLE_VALUE, nullptr, file}, {in, out, file}},  // "app 2> err.txt"
    };
    for (const auto& c : cases) {
        const StandardHandles got = withConsoleHandles(c.given, in, out);
        EXPECT_EQ(got.input, c.expected.input);
        EXPECT_EQ(got.output, c.expected.output);
        EXPECT_EQ(got.error, c.expected.error);
    }
}

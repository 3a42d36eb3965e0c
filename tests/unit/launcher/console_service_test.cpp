#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/unique_handle.h"
#include "launcher/console_service.h"

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

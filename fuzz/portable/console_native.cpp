// The launcher's console output for the native build: UTF-8 on the standard streams.
#include <unistd.h>
#include <windows.h>

#include <string>

#include "common/text_convert.h"
#include "launcher/console_service.h"
#include "launcher/windowed_mode.h"

namespace velmora::launcher {

void writeStandardText(unsigned long standardHandle, const std::wstring& text) {
    std::string bytes = velmora::wideToUtf8(text);
    int fd = standardHandle == STD_ERROR_HANDLE ? 2 : 1;
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// The native build is the console launcher: its trail goes to standard error only.
bool windowedMode() { return false; }
std::wstring windowedTrailPath() { return {}; }

}  // namespace velmora::launcher

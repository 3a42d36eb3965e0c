#include "tests/support/test_paths.h"

#include <cstdlib>
#include <stdexcept>

#include "common/text_convert.h"

namespace velmora::test {
namespace {

std::wstring fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set; run the tests through ctest");
    return windowsPathOfHostPath(value);
}

}  // namespace

std::wstring windowsPathOfHostPath(const std::string& hostPath) {
    if (hostPath.size() > 1 && hostPath[1] == ':') return utf8ToWide(hostPath);  // already a Windows path
    std::wstring path = L"Z:" + utf8ToWide(hostPath);
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::wstring distFolder() { return fromEnvironment("VELMORA_DIST"); }
std::wstring sourceFolder() { return fromEnvironment("VELMORA_SOURCE"); }
std::wstring testBinFolder() { return fromEnvironment("VELMORA_TEST_BIN"); }
std::wstring distProgram(const std::wstring& fileName) { return distFolder() + L"\\" + fileName; }
std::wstring stubProgram() {
    const char* stub = std::getenv("VELMORA_STUB");
    return stub && *stub ? windowsPathOfHostPath(stub) : distProgram(L"ruvo.exe");
}
std::wstring inQuotes(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace velmora::test

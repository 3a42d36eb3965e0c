#pragma once
// The loopback servers of the VM pack tests (provision_servers.sh): the folder they
// publish, their ports, and names unique to one test.
#include <string>

namespace velmora::test {

class PackServer {
public:
    PackServer();  // throws when the tests do not run through ctest's fixture
    std::wstring port(const wchar_t* kind) const;  // "http", "https", "closed"
    bool ftpReady() const;

    // Publishes bytes under a name no other test or run uses; returns that name.
    std::wstring publish(const std::wstring& name, const std::string& bytes) const;
    std::wstring http(const std::wstring& name) const { return L"http://127.0.0.1:" + port(L"http") + L"/" + name; }

private:
    std::wstring folder_;
};

// 32 lower-case hexadecimal digits, computed apart from the launcher's own MD5 code.
std::wstring md5Hex(const std::string& bytes);

}  // namespace velmora::test

#include "tests/support/pack_server.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdlib>
#include <stdexcept>

#include "common/text_convert.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace velmora::test {

PackServer::PackServer() {
    const char* folder = std::getenv("VELMORA_PROVISION_SERVE");
    if (!folder) throw std::runtime_error("VELMORA_PROVISION_SERVE is not set; run the tests through ctest");
    folder_ = windowsPathOfHostPath(folder);
}

std::wstring PackServer::port(const wchar_t* kind) const {
    return utf8ToWide(readFileBytes(folder_ + L"\\" + kind + L".port"));
}

bool PackServer::ftpReady() const { return readFileBytes(folder_ + L"\\ftp.state").starts_with("ready"); }

std::wstring PackServer::publish(const std::wstring& name, const std::string& bytes) const {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring unique = std::to_wstring(::GetCurrentProcessId()) + L"-" + utf8ToWide(test->name()) + L"-" + name;
    writeFileBytes(folder_ + L"\\www\\" + unique, bytes);
    return unique;
}

std::wstring md5Hex(const std::string& bytes) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[16];
    DWORD length = sizeof digest;
    const bool done = ::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
                      ::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
                      ::CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                                      static_cast<DWORD>(bytes.size()), 0) &&
                      ::CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
    if (hash) ::CryptDestroyHash(hash);
    if (provider) ::CryptReleaseContext(provider, 0);
    if (!done) throw std::runtime_error("MD5 through CryptoAPI failed");
    std::wstring text;
    for (BYTE b : digest) {
        text.push_back(L"0123456789abcdef"[b >> 4]);
        text.push_back(L"0123456789abcdef"[b & 15]);
    }
    return text;
}

}  // namespace velmora::test

#include "launcher/provision/file_md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "common/decimal_text.h"
#include "common/unique_handle.h"
#include "launcher/console_service.h"

namespace velmora::launcher {
namespace {

struct CryptProviderTraits {
    using Value = HCRYPTPROV;
    static Value invalid() noexcept { return 0; }
    static void close(Value v) noexcept { ::CryptReleaseContext(v, 0); }
};
struct CryptHashTraits {
    using Value = HCRYPTHASH;
    static Value invalid() noexcept { return 0; }
    static void close(Value v) noexcept { ::CryptDestroyHash(v); }
};

// Error numbers are shown as signed decimals.
std::wstring errorNumber(DWORD error) { return decimalText(static_cast<long>(error)); }

}  // namespace

std::wstring md5HexText(const unsigned char (&digest)[16]) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    for (unsigned char byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

bool md5Matches(std::wstring_view computed, std::wstring_view expected) {
    return !computed.empty() && computed == expected;
}

std::wstring ComputeFileMd5(const std::wstring& path, bool quiet) {
    auto say = [quiet](const std::wstring& text) {
        if (!quiet) writeStandardText(STD_OUTPUT_HANDLE, text);
    };
    auto sayFailed = [&](const wchar_t* call) {
        const DWORD error = ::GetLastError();
        say(std::wstring(call) + L" failed: " + errorNumber(error) + L"\n");
    };

    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        say(L"Error opening file " + path + L"\nError: " + errorNumber(error) + L"\n");
        return {};
    }
    UniqueHandle<CryptProviderTraits> provider;
    if (!::CryptAcquireContextW(provider.receive(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        provider.release();  // nothing was acquired
        sayFailed(L"CryptAcquireContext");
        return {};
    }
    UniqueHandle<CryptHashTraits> hash;
    if (!::CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.receive())) {
        hash.release();
        sayFailed(L"CryptAcquireContext");
        return {};
    }
    unsigned char block[1024];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), block, sizeof block, &got, nullptr)) {
            sayFailed(L"ReadFile");
            return {};
        }
        if (got == 0) break;
        if (!::CryptHashData(hash.get(), block, got, 0)) {
            sayFailed(L"CryptHashData");
            return {};
        }
    }
    unsigned char digest[16];
    DWORD size = sizeof digest;
    if (!::CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof digest) {
        sayFailed(L"CryptGetHashParam");
        return {};
    }
    if (!quiet) writeStandardText(STD_OUTPUT_HANDLE, L"\n");
    return md5HexText(digest);
}

}  // namespace velmora::launcher

#include "launcher/provision/vm_pack_download.h"

#include <windows.h>

#include <cstdint>
#include <optional>

#include "common/decimal_text.h"
#include "common/unique_handle.h"
#include "launcher/console_service.h"
#include "launcher/provision/wininet_library.h"

namespace velmora::launcher {
namespace {

std::wstring errorNumber(DWORD error) { return decimalText(static_cast<long>(error)); }

class Reporter {
public:
    explicit Reporter(bool quiet) : quiet_(quiet) {}
    void operator()(const std::wstring& text) const {
        if (!quiet_ && !text.empty()) writeStandardText(STD_OUTPUT_HANDLE, text);
    }

private:
    bool quiet_;
};

// Host and path of an FTP URL; the URL's port and credentials are not used.
bool crackFtpUrl(const WinInet& net, const std::wstring& url, std::wstring& host, std::wstring& path) {
    wchar_t scheme[32] = {}, hostName[256] = {}, urlPath[2048] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = 32;
    parts.lpszHostName = hostName;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = urlPath;
    parts.dwUrlPathLength = 2048;
    if (!net.crackUrl(url.c_str(), 0, ICU_ESCAPE, &parts)) return false;
    host = hostName;
    path = urlPath;
    return true;
}

// The body length an HTTP server announced, when it gave one.
std::optional<uint64_t> announcedLength(const WinInet& net, HINTERNET request) {
    wchar_t text[32] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (!net.httpQueryInfo(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr) || !text[0]) return std::nullopt;
    uint64_t length = 0;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c < L'0' || *c > L'9' || length > (UINT64_MAX - 9) / 10) return std::nullopt;
        length = length * 10 + static_cast<uint64_t>(*c - L'0');
    }
    return length;
}

void discard(UniqueFileHandle& file, const std::wstring& destination) {
    file.reset();
    ::DeleteFileW(destination.c_str());
}

// The body of the opened request into the destination file.
bool transfer(const WinInet& net, HINTERNET request, std::optional<uint64_t> expectedLength, const std::wstring& destination,
              const Reporter& say) {
    if (!request) {
        say(L"\nAttempt to download VM failed");
        return false;
    }
    UniqueFileHandle file(::CreateFileW(destination.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        say(L"\nCould not create the file " + destination + L"\nError: " + errorNumber(error) + L"\n");
        say(L"\nAttempt to download VM failed");
        return false;
    }
    // A body cut short must not pass for a complete pack: neither a failing read nor a
    // connection that ends before the announced length counts as the end of the data.
    char buffer[1024];
    DownloadProgress progress;
    uint64_t received = 0;
    for (;;) {
        DWORD got = 0;
        if (!net.readFile(request, buffer, sizeof buffer, &got)) {
            const DWORD error = ::GetLastError();
            discard(file, destination);
            say(L"\nThe VM pack download was interrupted\nWininet Error code: " + errorNumber(error) + L"\n");
            return false;
        }
        if (got == 0) break;
        DWORD written = 0;
        if (!::WriteFile(file.get(), buffer, got, &written, nullptr) || written != got) {
            const DWORD error = ::GetLastError();
            discard(file, destination);
            say(L"\nCould not write the file " + destination + L"\nError: " + errorNumber(error) + L"\n");
            return false;
        }
        received += got;
        say(progress.afterRead());
    }
    if (expectedLength && received != *expectedLength) {
        discard(file, destination);
        say(L"\nThe VM pack download was interrupted after " + decimalText(received) + L" of " +
            decimalText(*expectedLength) + L" bytes\n");
        return false;
    }
    return true;
}

}  // namespace

PackUrlScheme packUrlSchemeOf(std::wstring_view url) {
    if (url.starts_with(L"http")) return PackUrlScheme::Http;
    if (url.starts_with(L"ftp")) return PackUrlScheme::Ftp;
    return PackUrlScheme::None;
}

std::wstring DownloadProgress::afterRead() {
    if (++reads_ < 500) return {};
    reads_ = 0;
    if (++marks_ < 5) return L"=";
    marks_ = 0;
    return L"= ";
}

bool DownloadVmPack(const std::wstring& url, const std::wstring& destination, bool quiet) {
    const Reporter say(quiet);
    say(L"\nDownloading VM Pack - Please Wait!!!\n");
    if (destination.empty()) {
        // No folder to download into: nothing goes over the network.
        say(L"\nAttempt to download VM failed");
        return false;
    }

    const WinInet* net = winInet();
    UniqueInternetHandle root(net ? net->open(L"InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
                                  : nullptr);
    if (!root) {
        const DWORD error = ::GetLastError();
        say(L"\nAttempt to connect to internet failed.");
        say(L"\nWininet Error code: " + errorNumber(error) + L"\n");
        return false;
    }

    UniqueInternetHandle connection;
    UniqueInternetHandle request;
    std::optional<uint64_t> expectedLength;
    switch (packUrlSchemeOf(url)) {
        case PackUrlScheme::Http: {
            request.reset(net->openUrl(root.get(), url.c_str(), nullptr, 0, 0, 0));
            if (!request) {
                const DWORD error = ::GetLastError();
                say(L"\nError in opening internet connection with URL\n");
                say(L"\nWininet Error code: " + errorNumber(error) + L"\n");
            }
            DWORD status = 0;
            DWORD size = sizeof status;
            if (!request || !net->httpQueryInfo(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                                              &size, nullptr))
                status = 0;
            if (status != 200) {
                say(L"\nCould not connect to the specified URL\n");
                say(L"HTTP Status code: " + decimalText(static_cast<long>(status)) + L"\n");
                return false;
            }
            expectedLength = announcedLength(*net, request.get());
            break;
        }
        case PackUrlScheme::Ftp: {
            std::wstring host, path;
            auto couldNotConnect = [&say](DWORD error) {
                say(L"\nCould not connect to the specified URL\n");
                say(L"Wininet Error code: " + errorNumber(error) + L"\n");
            };
            if (!crackFtpUrl(*net, url, host, path)) {
                couldNotConnect(::GetLastError());
                return false;
            }
            connection.reset(net->connect(root.get(), host.c_str(), 21, L"anonymous", nullptr,
                                                INTERNET_SERVICE_FTP,
                                                INTERNET_FLAG_PASSIVE | INTERNET_FLAG_NO_CACHE_WRITE, 1));
            if (!connection) {
                couldNotConnect(::GetLastError());
                return false;
            }
            request.reset(
                net->ftpOpenFile(connection.get(), path.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 1));
            if (!request) {
                couldNotConnect(::GetLastError());
                return false;
            }
            DWORD sizeHigh = 0;
            net->ftpGetFileSize(request.get(), &sizeHigh);  // not used: the transfer reads to the end
            break;
        }
        case PackUrlScheme::None:
            break;
    }
    return transfer(*net, request.get(), expectedLength, destination, say);
}

}  // namespace velmora::launcher

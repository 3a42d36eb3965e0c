#pragma once
// Fetching a VM pack over HTTP(S) or anonymous FTP through WinINet, with "=" progress marks
// on the console.
#include <string>
#include <string_view>

namespace velmora::launcher {

// Case-sensitive prefix test: "https" takes the HTTP way, "HTTP" and "file:" neither.
enum class PackUrlScheme { Http, Ftp, None };
PackUrlScheme packUrlSchemeOf(std::wstring_view url);

// One "=" per 500 reads, a space after every fifth "=".
class DownloadProgress {
public:
    // What to print after one more successful read: "", "=" or "= ".
    std::wstring afterRead();

private:
    unsigned reads_ = 0;
    unsigned marks_ = 0;
};

// Downloads `url` to `destination`, printing progress and failure lines unless quiet.
// True only when the whole body was written; a failed transfer leaves no file behind.
bool DownloadVmPack(const std::wstring& url, const std::wstring& destination, bool quiet);

}  // namespace velmora::launcher

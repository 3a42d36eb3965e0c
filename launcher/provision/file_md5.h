#pragma once
// MD5 of a downloaded VM pack through CryptoAPI, and the check against the configured value.
#include <string>
#include <string_view>

namespace velmora::launcher {

// 32 lower-case hexadecimal characters, high nibble first.
std::wstring md5HexText(const unsigned char (&digest)[16]);

// Exact, case-sensitive whole-text equality; a failed computation (empty) never matches.
bool md5Matches(std::wstring_view computed, std::wstring_view expected);

// The file's MD5 as 32 lower-case hexadecimal characters; empty on failure, after a
// line naming the failing call (unless quiet).
std::wstring ComputeFileMd5(const std::wstring& path, bool quiet);

}  // namespace velmora::launcher

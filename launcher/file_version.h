#pragma once
// Product version and company name from an executable's version resource.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::launcher {

struct ProductVersion {
    uint16_t major = 0, minor = 0, build = 0, revision = 0;
};

// An executable's version resource, read from the file when first asked for and kept: the
// version and the company of one VM cost one read.
class FileVersion {
public:
    explicit FileVersion(std::wstring path);
    std::optional<ProductVersion> get();
    // The U.S. English company name (also printed as "company: ..." unless `print` is false),
    // or empty.
    std::wstring companyName(bool print = true);
    const std::wstring& path() const { return path_; }

private:
    std::vector<unsigned char>& resource();

    std::wstring path_;
    bool read_ = false;
    std::vector<unsigned char> data_;
};

std::wstring companyNameOf(const std::wstring& path, bool print = true);

}  // namespace velmora::launcher

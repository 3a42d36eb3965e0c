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

class FileVersion {
public:
    explicit FileVersion(std::wstring path);
    // Queries once; later calls return the cached outcome.
    std::optional<ProductVersion> get();
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool queried_ = false;
    bool failed_ = false;
    ProductVersion version_;
};

// The U.S. English company name of the version resource (also printed as "company: ..."
// unless `print` is false), or empty.
std::wstring companyNameOf(const std::wstring& path, bool print = true);

}  // namespace velmora::launcher

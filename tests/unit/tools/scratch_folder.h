#pragma once
// A fresh folder for one test, removed with everything in it; files read and written whole.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tool_test {

inline std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeAll(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// Whether names that differ only in letter case are two files in `folder` (not on Windows).
inline bool tellsCaseApart(const std::filesystem::path& folder) {
    writeAll(folder / "case-probe", "");
    const bool apart = !std::filesystem::exists(folder / "CASE-PROBE");
    std::filesystem::remove(folder / "case-probe");
    return apart;
}

class Scratch {
public:
    Scratch() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("ruvo-pack-test-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // A '/'-separated UTF-8 path below the folder.
    std::filesystem::path operator/(const std::string& relative) const {
        return path_ / std::filesystem::path(std::u8string(relative.begin(), relative.end()));
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace tool_test

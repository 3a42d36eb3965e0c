#pragma once
// A fresh folder under the temporary folder, removed with everything in it at the end. The
// std::filesystem part serves the tests that also run natively on Linux (the packer's); the
// wide-string part is the Windows programs' view of the same folder.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velmora::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // std::wstring on Windows, std::string elsewhere; either converts to std::filesystem::path.
    const std::filesystem::path::string_type& path() const { return path_; }

    // A '/'-separated UTF-8 path below the folder.
    std::filesystem::path operator/(const std::string& relative) const {
        return std::filesystem::path(path_) / std::filesystem::path(std::u8string(relative.begin(), relative.end()));
    }

#ifdef _WIN32
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

    // Writes bytes to a file below the folder, creating the folders on the way.
    std::wstring write(const std::wstring& relative, const std::string& bytes) const;
    std::string read(const std::wstring& relative) const;
    std::wstring makeFolder(const std::wstring& relative) const;
#endif

private:
    std::filesystem::path::string_type path_;
};

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

#ifdef _WIN32
std::string readFileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const std::string& bytes);
void removeTree(const std::wstring& path);
bool fileExists(const std::wstring& path);  // a file or a folder
#endif

}  // namespace velmora::test

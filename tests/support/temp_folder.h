#pragma once
// A fresh folder under the temporary folder, removed with everything in it at the end.
#include <string>

namespace velmora::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

    // Writes bytes to a file below the folder, creating the folders on the way.
    std::wstring write(const std::wstring& relative, const std::string& bytes) const;
    std::string read(const std::wstring& relative) const;
    std::wstring makeFolder(const std::wstring& relative) const;

private:
    std::wstring path_;
};

std::string readFileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const std::string& bytes);
void removeTree(const std::wstring& path);
bool fileExists(const std::wstring& path);  // a file or a folder

}  // namespace velmora::test

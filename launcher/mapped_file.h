#pragma once
// Files read through a read-only mapping: the bytes of an executable, and the name the
// system gives the file a mapping comes from.
#include <cstdint>
#include <string>

#include "common/unique_handle.h"

namespace velmora::launcher {

class MappedFile {
public:
    // Maps the first `bytes` of the file, all of it when 0. Empty and unreadable files
    // give an unmapped object.
    MappedFile(const std::wstring& path, uint64_t bytes);
    bool mapped() const { return view_.valid(); }
    const unsigned char* data() const { return static_cast<const unsigned char*>(view_.get()); }
    uint64_t fileSize() const { return size_; }
    bool emptyFile() const { return empty_; }  // opened, and of length zero
    // The mapped file's drive-letter path; empty when unmapped or when no drive matches.
    std::wstring drivePath() const;

private:
    UniqueFileHandle file_;
    UniqueKernelHandle mapping_;
    UniqueMappedView view_;
    uint64_t size_ = 0;
    bool empty_ = false;
};

enum class FinalPathStatus { Resolved, EmptyFile, Unresolved };
struct FinalPath {
    std::wstring path;  // the path itself unless resolved
    FinalPathStatus status = FinalPathStatus::Unresolved;
};

// The drive-letter path of the file a reparse point leads to. An empty file cannot be
// mapped: its status says so, for the caller to report.
FinalPath resolveFinalPath(const std::wstring& path);

}  // namespace velmora::launcher

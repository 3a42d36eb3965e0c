#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <atomic>
#include <cstring>
#include <new>

#include "archive/al_storage.h"

void ALFile::DescriptorTraits::close(int fd) noexcept { _close(fd); }

namespace {
// Step buffers for the files doing disk I/O at once: an archive and the member being written,
// and the same again for a member inflated ahead on a second thread.
// Allocated on first use and kept for the process, so that thousands of small members cost
// no allocation each; a file that finds every slot taken does its I/O in storage-buffer steps.
struct DiskSlot {
    std::atomic<bool> taken{false};
    unsigned char* bytes = nullptr;
};
constexpr int kDiskSlots = 4;
DiskSlot diskSlots[kDiskSlots];
}  // namespace

ALFile::ALFile(const wchar_t* n, int bufferSize, ALCase caseMode)
    : ALStorage(n, bufferSize, AL_STORAGE_FILE, caseMode) {}

ALFile::~ALFile() {
    if (IsOpen()) Close();
    ReleaseDiskStep();
}

ALStorage* ALFile::CloneFor(const wchar_t* n, int typeCode) const {
    if (typeCode != AL_STORAGE_ANY && typeCode != AL_STORAGE_FILE) return nullptr;
    return new (std::nothrow) ALFile(n, kBufferSize, AL_MIXED_NO_CASE);
}

int ALFile::Open() {
    if (status < 0) return status;
    const wchar_t* path = Path();
    handle_.reset(_wopen(path, _O_RDONLY | _O_BINARY));
    if (!IsOpen())
        return status.Set(AL_CANT_OPEN_FILE, "File open failure.  Open of %s returned errno = %d", name.Name(),
                          errno);
    if (ALStorage::Open() < 0) return status;
    ResetDiskStep();
    struct _stat info;
    if (_wstat(path, &info) != 0)
        return status.Set(AL_CANT_OPEN_FILE, "Couldn't get time, date, and size information for %s.  errno = %d.",
                          name.Name(), errno);
    size_ = static_cast<long>(info.st_size);
    time_t modified = info.st_mtime;
    if (const struct tm* local = localtime(&modified)) {
        stamp.year = static_cast<uint16_t>(local->tm_year + 1900);
        stamp.month = static_cast<uint16_t>(local->tm_mon + 1);
        stamp.day = static_cast<uint16_t>(local->tm_mday);
        stamp.hour = static_cast<uint16_t>(local->tm_hour);
        stamp.minute = static_cast<uint16_t>(local->tm_min);
        stamp.second = static_cast<uint16_t>(local->tm_sec);
    }
    DWORD win32 = GetFileAttributesW(path);
    if (win32 != INVALID_FILE_ATTRIBUTES) attributes.SetFromWin32(win32);
    return status;
}

int ALFile::OpenForWriting() {
    const wchar_t* path = Path();
    DWORD existing = GetFileAttributesW(path);
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, existing & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    handle_.reset(_wopen(path, _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE));
    return IsOpen() ? 0 : errno;
}

int ALFile::Create(long lengthHint) {
    if (ALStorage::Create(lengthHint) < 0) return status;
    ResetDiskStep();
    int error = 0;
    if (!name.Text().empty()) {
        if (attributes.IsDirectory()) {
            // A directory member: its folders are made, no file is opened. The last folder is
            // made too when the name does not end with a separator, so empty folders survive.
            CreateParentDirectories();
            wchar_t last = name.Text().back();
            if (last != L'/' && last != L'\\') _wmkdir(Path());
            return status;
        }
        error = OpenForWriting();
        if (error == ENOENT && name.Text().find_first_of(L"/\\") != std::wstring::npos && CreateParentDirectories())
            error = OpenForWriting();
    } else {
        for (int n = 0; n < 1000; ++n) {
            SetTempName(n);
            handle_.reset(_wopen(Path(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE));
            if (IsOpen()) return status;
            if (errno != EEXIST && errno != EACCES) {
                status.Set(AL_CANT_OPEN_FILE, "Temporary file creation failure.  Open of %s returned errno = %d",
                           name.Name(), errno);
                name.Set(L"");
                return status;
            }
        }
        status.Set(AL_CANT_OPEN_FILE,
                   "Temporary file creation failure.  Tried 1000 times to open %s (or a name something like that).",
                   name.Name());
        name.Set(L"");
        return status;
    }
    if (IsOpen()) return status;
    return status.Set(AL_CANT_OPEN_FILE, "File creation failure.  Open of %s returned errno = %d", name.Name(), error);
}

void ALFile::SetTempName(int n) { name.Set(ALFormat(64, L"~al~%03d.tmp", n).c_str()); }

int ALFile::CreateParentDirectories() {
    // The folder exists: only the name's own folders are made.
    std::wstring path = Path();
    const size_t start = FolderLength();
    for (size_t i = start; i < path.size(); ++i) {
        if (path[i] != L'/' && path[i] != L'\\') continue;
        wchar_t separator = path[i];
        path[i] = L'\0';
        if (i > start && _wmkdir(path.c_str()) != 0) {
            int e = errno;
            if (e != EACCES && e != EEXIST && e != ENFILE && e != ENOENT) return 0;
        }
        path[i] = separator;
        if (path.find_first_of(L"/\\", i + 1) == std::wstring::npos) return i + 1 < path.size() ? 1 : 0;
    }
    return 1;
}

void ALFile::ResetDiskStep() {
    diskStart_ = readAhead_ = heldBack_ = filePointer_ = 0;
    readAheadEnds_ = false;
}

bool ALFile::ClaimDiskStep() {
    if (disk_) return true;
    if (bufferSize_ > kDiskStep / 4) return false;  // a storage buffer that large is its own step
    for (int i = 0; i < kDiskSlots; ++i) {
        DiskSlot& slot = diskSlots[i];
        if (slot.taken.exchange(true)) continue;
        if (!slot.bytes) slot.bytes = new (std::nothrow) unsigned char[kDiskStep];
        if (!slot.bytes) {
            slot.taken = false;
            return false;
        }
        diskSlot_ = i;
        disk_ = slot.bytes;
        return true;
    }
    return false;
}

void ALFile::ReleaseDiskStep() {
    if (!disk_) return;
    readAhead_ = heldBack_ = 0;
    disk_ = nullptr;
    diskSlots[diskSlot_].taken = false;
}

bool ALFile::ReadAheadHolds(long offset) const {
    long end = diskStart_ + readAhead_;
    if (offset < diskStart_ || offset >= end) return false;
    return end - offset >= bufferSize_ || readAheadEnds_;
}

int ALFile::MoveTo(long offset) {
    if (offset != filePointer_) {
        if (_lseek(handle_.get(), offset, SEEK_SET) < 0) {
            if (status >= 0) status.Set(AL_SEEK_ERROR, "Seek failure on %s.  errno = %d", name.Name(), errno);
            return AL_SEEK_ERROR;
        }
        filePointer_ = offset;
    }
    return 0;
}

int ALFile::WriteAt(const unsigned char* data, long n, long offset) {
    // Held blocks still reach the disk after another failure (as each block did when written
    // at once); that failure stays the status.
    if (MoveTo(offset) < 0) return AL_SEEK_ERROR;
    int written = _write(handle_.get(), data, static_cast<unsigned>(n));
    if (written > 0) filePointer_ += written;
    if (written == n) return 0;
    if (status >= 0)
        status.Set(AL_WRITE_ERROR, "Write failure on %s.  result = %d, errno = %d", name.Name(), written, errno);
    return AL_WRITE_ERROR;
}

int ALFile::WriteHeldBlocks() {
    if (heldBack_ == 0) return 0;
    long n = heldBack_;
    heldBack_ = 0;
    return WriteAt(disk_, n, diskStart_);
}

int ALFile::RefillBuffer(long offset) {
    if (status < 0) return status;
    if (WriteHeldBlocks() < 0) return status;
    long n;
    if (ReadAheadHolds(offset)) {
        n = diskStart_ + readAhead_ - offset;
        if (n > bufferSize_) n = bufferSize_;
        memcpy(buffer_.get(), disk_ + (offset - diskStart_), static_cast<size_t>(n));
    } else {
        if (MoveTo(offset) < 0) return status;
        bufferOffset_ = offset;
        // Only reading onwards reads ahead: a search backwards (the end record's) would
        // otherwise read a step for every block it looks at.
        bool ahead = offset >= diskStart_ && ClaimDiskStep();
        long want = ahead ? kDiskStep : bufferSize_;
        int got = _read(handle_.get(), ahead ? disk_ : buffer_.get(), static_cast<unsigned>(want));
        diskStart_ = offset;
        readAhead_ = 0;
        if (got == 0) return AL_END_OF_FILE;
        if (got < 0) return status.Set(AL_READ_ERROR, "Read failure on %s.  errno = %d", name.Name(), errno);
        filePointer_ += got;
        n = got;
        if (ahead) {
            readAhead_ = got;
            readAheadEnds_ = got < want;
            if (n > bufferSize_) n = bufferSize_;
            memcpy(buffer_.get(), disk_, static_cast<size_t>(n));
        }
    }
    TransformBlock(buffer_.get(), n);
    bufferOffset_ = offset + n;
    readIndex_ = 0;
    fill_ = n;
    ReportProgress();
    return static_cast<int>(n);
}

int ALFile::Flush() {
    if (status < 0) return status;
    if (pending_ > 0) {
        TransformBlock(buffer_.get(), pending_);
        readAhead_ = 0;  // what was read ahead may be overwritten now
        bool follows = diskStart_ + heldBack_ == bufferOffset_;
        if (heldBack_ > 0 && (!follows || heldBack_ + pending_ > kDiskStep) && WriteHeldBlocks() < 0) return status;
        if (ClaimDiskStep()) {
            if (heldBack_ == 0) diskStart_ = bufferOffset_;
            memcpy(disk_ + heldBack_, buffer_.get(), static_cast<size_t>(pending_));
            heldBack_ += pending_;
        } else if (WriteAt(buffer_.get(), pending_, bufferOffset_) < 0) {
            return status;
        }
        bufferOffset_ += pending_;
        pending_ = 0;
    }
    readIndex_ = fill_ = 0;
    ReportProgress();
    return status;
}

int ALFile::Seek(long offset) {
    if (Flush() < 0) return status;
    if (!ReadAheadHolds(offset) && MoveTo(offset) < 0) return status;
    bufferOffset_ = offset;
    return status;
}

void ALFile::ApplyStampAndAttributes(bool attributesToo) {
    if (!attributesToo) {
        // The stamp is local time; the file time is UTC.
        TIME_ZONE_INFORMATION zone;
        DWORD mode = GetTimeZoneInformation(&zone);
        long seconds = stamp.ToSeconds() + zone.Bias * 60;
        if (mode == TIME_ZONE_ID_DAYLIGHT) seconds += zone.DaylightBias * 60;
        ALStamp utc = ALStamp::FromSeconds(seconds);
        FILETIME lastWrite;
        if (DosDateTimeToFileTime(utc.DosDate(), utc.DosTime(), &lastWrite)) {
            HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(handle_.get()));
            SetFileTime(h, nullptr, nullptr, &lastWrite);
        }
        return;
    }
    SetFileAttributesW(Path(), attributes.ToWin32());
}

int ALFile::Close() {
    if (!IsOpen()) {
        FreeBuffer();
        ReleaseDiskStep();
        written_ = false;
        return status;
    }
    Flush();
    WriteHeldBlocks();
    size_ = _filelength(handle_.get());
    bool apply = written_ && stamp.HasStamp();
    if (apply) ApplyStampAndAttributes(false);
    handle_.reset();
    FreeBuffer();
    ReleaseDiskStep();
    if (apply) ApplyStampAndAttributes(true);
    written_ = false;
    return status;
}

int ALFile::RenameInFolder(const std::wstring& from, const std::wstring& to) const {
    const std::wstring source = PathOf(from);
    return _wrename(source.c_str(), PathOf(to));
}

int ALFile::Rename(const wchar_t* newName, bool deleteExisting) {
    const std::wstring& source = newName ? name.Text() : name.PreviousText();
    const std::wstring target = newName ? std::wstring(newName) : name.Text();
    if (deleteExisting) {
        if (name.SameAs(target.c_str(), source.c_str()))
            return status.Set(AL_RENAME_ERROR, "Error attempting to rename %s to %s.  Can't rename to the same name!",
                              target.c_str(), source.c_str());
        if (_wunlink(PathOf(target)) != 0 && errno != ENOENT)
            return status.Set(AL_RENAME_ERROR, "Error deleting %s before renaming %s.  errno = %d", target.c_str(),
                              source.c_str(), errno);
    }
    if (RenameInFolder(source, target) != 0)
        return status.Set(AL_RENAME_ERROR, "Error renaming %s to %s.  errno = %d", source.c_str(), target.c_str(),
                          errno);
    if (newName) name.Set(newName);
    return status;
}

int ALFile::RestoreName(bool deleteExisting) {
    // Both stay as they are until the name is set at the end.
    const std::wstring& current = name.Text();
    const std::wstring& previous = name.PreviousText();
    if (deleteExisting && _wunlink(PathOf(previous)) != 0 && errno != ENOENT)
        return status.Set(AL_RENAME_ERROR, "Error deleting %s before renaming %s.  errno = %d", previous.c_str(),
                          current.c_str(), errno);
    if (RenameInFolder(current, previous) != 0 && errno != ENOENT)
        return status.Set(AL_RENAME_ERROR, "Error renaming %s to %s.  errno = %d", current.c_str(),
                          previous.c_str(), errno);
    name.Set(previous.c_str());
    return 0;
}

int ALFile::RenameToBak(bool deleteExisting) {
    std::wstring bak = name.Text();
    size_t dot = bak.rfind(L'.');
    if (dot != std::wstring::npos) bak.resize(dot);
    bak += L".bak";
    name.Set(bak.c_str());
    return Rename(nullptr, deleteExisting);
}

int ALFile::Delete() {
    if (_wunlink(Path()) != 0)
        return status.Set(AL_DELETE_ERROR, "Error deleting file %s, errno = %d ", name.Name(), errno);
    return status;
}

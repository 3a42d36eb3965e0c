#pragma once
// Buffered, seekable byte streams with a name, size, stamp, attributes, a running CRC-32
// register and a status. ALFile is the disk-file kind; all engine I/O goes through them.
#include <cstdint>
#include <memory>
#include <string>

#include "archive/al_status.h"
#include "common/unique_handle.h"

class ALMonitor;

// Calendar stamp in local time; year 0 means "no stamp".
struct ALStamp {
    uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    bool HasStamp() const { return year != 0; }
    // Julian day number and back (Fliegel-Van Flandern, integer division towards zero).
    static long JulianDay(int year, int month, int day);
    static void DateOfJulianDay(long jdn, int& year, int& month, int& day);
    // Seconds since 1970-01-01 00:00:00 in 32-bit arithmetic; 0 before 1970.
    long ToSeconds() const;
    static ALStamp FromSeconds(long seconds);
    uint16_t DosDate() const;
    uint16_t DosTime() const;
    static ALStamp FromDos(uint16_t date, uint16_t time);
    bool operator==(const ALStamp&) const = default;
};

// 15-bit attribute word: 0 read-only, 1 system, 2 hidden, 3 archive, 14 directory.
class ALAttributeWord {
public:
    static constexpr uint16_t kReadOnly = 0x0001, kSystem = 0x0002, kHidden = 0x0004, kArchive = 0x0008,
                              kDirectory = 0x4000;
    uint16_t bits = 0;

    void SetFromWin32(uint32_t win32Attributes);
    uint32_t ToWin32() const;
    // The low byte of a ZIP member's external attributes (DOS bits; 0x08 is dropped).
    void SetFromZipExternal(uint32_t external);
    bool IsDirectory() const { return (bits & kDirectory) != 0; }
};

// Case modes of a name: upper, lower, kept and compared exactly, kept and compared ignoring case.
enum ALCase : int { AL_UPPER = 0, AL_LOWER = 1, AL_MIXED = 2, AL_MIXED_NO_CASE = 3 };

class ALPathName {
public:
    explicit ALPathName(ALCase mode = AL_MIXED_NO_CASE) : mode_(mode) {}
    // Stores a copy (case mode applied); the former name becomes the previous one.
    bool Set(const wchar_t* name);
    const wchar_t* Name() const { return current_.c_str(); }
    const wchar_t* PreviousName() const { return previous_.c_str(); }
    const std::wstring& Text() const { return current_; }
    const std::wstring& PreviousText() const { return previous_; }
    ALCase Mode() const { return mode_; }
    std::wstring Cased(const std::wstring& text) const;
    bool SameAs(const wchar_t* a, const wchar_t* b) const;

private:
    std::wstring current_, previous_;
    ALCase mode_;
};

enum ALStorageType : int { AL_STORAGE_ANY = -1, AL_STORAGE_FILE = 1 };

class ALStorage {
public:
    ALStorage(const wchar_t* name, int bufferSize, int typeCode, ALCase caseMode);
    virtual ~ALStorage();
    ALStorage(const ALStorage&) = delete;
    ALStorage& operator=(const ALStorage&) = delete;

    virtual int WriteExtraData();
    virtual int ReadExtraData();
    virtual int Open();
    virtual int Create(long lengthHint = -1);
    virtual int Close();
    virtual int RefillBuffer(long offset) = 0;
    virtual int Flush() = 0;
    virtual int Seek(long offset) = 0;
    virtual void ReportProgress();
    virtual int Rename(const wchar_t* newName = nullptr, bool deleteExisting = true) = 0;
    virtual int RestoreName(bool deleteExisting = true) = 0;
    virtual int RenameToBak(bool deleteExisting = true) = 0;
    virtual int Delete() = 0;
    virtual ALStorage* CloneFor(const wchar_t* name, int typeCode) const = 0;

    int ReadChar();
    int WriteChar(int byte);
    long ReadBuffer(unsigned char* destination, long n);
    long WriteBuffer(const unsigned char* source, long n);
    long Tell() const;

    int WriteShort(short value);
    int WriteLong(long value);
    int WriteShortBE(short value);
    int ReadShort(short& value);
    int ReadLong(long& value);
    int ReadShortBE(short& value);
    // Reads `length` bytes (a big-endian 16-bit length first when -1) and stores them as the
    // target's name, decoded as UTF-8 when `utf8` is set (ZIP flag bit 11), else ANSI.
    int ReadString(ALPathName& target, int length, bool utf8 = false);

    void StartCrc();
    uint32_t FinishCrc();
    uint32_t CrcRegister() const { return crc_; }

    // Direct buffer access for the engines, so that inflate reads and writes the storage
    // buffers in place: the unread part of the read buffer, and the whole write buffer.
    const unsigned char* UnreadBytes(long& count) const;
    void MarkRead(long count);
    unsigned char* WriteSpace(long& capacity);
    void SetPending(long count) { pending_ = count; }

    bool HasBuffer() const { return buffer_ != nullptr; }
    long Size() const { return size_; }
    void SetSize(long size) { size_ = size; }
    int TypeCode() const { return typeCode_; }
    int BufferSize() const { return bufferSize_; }
    long BufferOffset() const { return bufferOffset_; }
    ALMonitor* Monitor() const { return monitor_; }
    void SetMonitor(ALMonitor* monitor) { monitor_ = monitor; }

    // Where a relative name lies, ending with a separator; empty, as at the start: the
    // current directory. Texts and monitors show the name alone.
    void SetFolder(const std::wstring& folder) {
        path_ = folder;
        folderLength_ = folder.size();
    }
    void SetFolderOf(const ALStorage& other) {
        path_ = other.path_;
        folderLength_ = other.folderLength_;
    }
    size_t FolderLength() const { return folderLength_; }
    // The file the system calls reach: the name (or `n`) inside the folder; valid until the
    // next call.
    const wchar_t* Path() const { return PathOf(name.Text()); }
    const wchar_t* PathOf(const std::wstring& n) const;

    ALStamp stamp;
    ALAttributeWord attributes;
    ALPathName name;
    ALErrorState status;
    // Off for storages used on a thread other than the one that owns the windows.
    bool pumpsMessages = true;

protected:
    // Crypto hook (none in this system) and CRC over every block that passes the buffer.
    void TransformBlock(unsigned char* data, long n);
    bool FreeBuffer();

    std::unique_ptr<unsigned char[]> buffer_;
    long fill_ = 0;          // valid bytes when reading
    long pending_ = 0;       // bytes waiting when writing
    long readIndex_ = 0;
    long bufferOffset_ = 0;  // past the buffered data (reading) / where pending data starts (writing)
    long size_ = -1;
    uint32_t crc_ = 0xFFFFFFFFu;
    bool crcEnabled_ = false;
    bool written_ = false;
    int typeCode_;
    int bufferSize_;
    ALMonitor* monitor_ = nullptr;

private:
    mutable std::wstring path_;  // the folder, then the name last asked for
    size_t folderLength_ = 0;
};

// Updates a CRC-32 register (reflected, polynomial 0xEDB88320, not complemented) over bytes.
uint32_t ALUpdateCrc(uint32_t reg, const unsigned char* data, size_t n);

class ALFile : public ALStorage {
public:
    static constexpr int kBufferSize = 4096;
    explicit ALFile(const wchar_t* name = L"", int bufferSize = kBufferSize, ALCase caseMode = AL_MIXED_NO_CASE);
    ~ALFile() override;

    int Open() override;
    int Create(long lengthHint = -1) override;
    int Close() override;
    int RefillBuffer(long offset) override;
    int Flush() override;
    int Seek(long offset) override;
    int Rename(const wchar_t* newName = nullptr, bool deleteExisting = true) override;
    int RestoreName(bool deleteExisting = true) override;
    int RenameToBak(bool deleteExisting = true) override;
    int Delete() override;
    ALStorage* CloneFor(const wchar_t* name, int typeCode) const override;
    virtual void SetTempName(int n);
    // Creates every folder named before a separator; 1 on reaching the last component.
    virtual int CreateParentDirectories();

    bool IsOpen() const { return handle_.valid(); }

    // Behind the storage buffer, whose blocks stay as they are (progress, CRC and inflate see
    // the same ones), the disk is read ahead and written in steps of this size: a system call
    // per 4,096 bytes costs about a quarter of a large file's extraction time.
    static constexpr long kDiskStep = 256 * 1024;

private:
    int OpenForWriting();
    void ResetDiskStep();
    bool ClaimDiskStep();
    void ReleaseDiskStep();
    // Writes the blocks held back; a failure is reported as the block's own write would be.
    int WriteHeldBlocks();
    int WriteAt(const unsigned char* data, long n, long offset);
    // Places the file pointer, unless it is there already.
    int MoveTo(long offset);
    // Whether the block at `offset` lies wholly in what was read ahead (or ends the file there).
    bool ReadAheadHolds(long offset) const;
    void ApplyStampAndAttributes(bool attributesToo);
    // The runtime's call on names inside the folder.
    int RenameInFolder(const std::wstring& from, const std::wstring& to) const;

    struct DescriptorTraits {  // runtime-library file descriptors (-1 when absent)
        using Value = int;
        static Value invalid() noexcept { return -1; }
        static void close(Value fd) noexcept;
    };
    velmora::UniqueHandle<DescriptorTraits> handle_;

    // A step buffer lent to this file while it is open: read ahead or held back, never both.
    unsigned char* disk_ = nullptr;
    int diskSlot_ = -1;
    long diskStart_ = 0;   // file offset of disk_[0]
    long readAhead_ = 0;   // bytes read ahead
    long heldBack_ = 0;    // bytes waiting to be written
    long filePointer_ = 0; // where the next _read or _write takes place
    bool readAheadEnds_ = false;  // the read ahead stopped at the end of the file
};

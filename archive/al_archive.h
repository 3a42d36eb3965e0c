#pragma once
// ZIP archives (possibly at the end of a larger file), their entries and the ring that holds
// them, and the prototype set that supplies storage objects and engines per entry.
//
// Unpacking a payload, the way the self-extractor does it:
//   ALSimpleMonitor monitor(progressCallback);        // job mode: percent of all members
//   ALEntryRing ring(&monitor);                       // standard prototypes: inflate, copy, ALFile
//   ALPkArchive archive(ownExecutablePath);
//   archive.ReadDirectory(ring);                      // count, or a status; a failure here
//                                                     //   makes Extract refuse all work
//   int result = archive.Extract(ring, workingPath);  // members below that folder
//   if (result != 0) ruvo::LogArchiveStatus(result);  // negative: failed, archive.status.Text()
#include <memory>
#include <string_view>
#include <vector>

#include "archive/al_engine.h"
#include "archive/al_status.h"
#include "archive/al_storage.h"

class ALEntryRing;
class ALInflateAhead;

class ALPrototypeSet {
public:
    ALPrototypeSet() = default;
    ALPrototypeSet(const ALPrototypeSet& other);
    ALPrototypeSet& operator=(const ALPrototypeSet&) = delete;

    // The set extraction uses: inflate, then copy; one ALFile with an empty name.
    static ALPrototypeSet Standard();

    // The first prototype that clones itself for the type code wins; none gives nullptr.
    ALEngine* CompressionEngineFor(int typeCode) const;
    ALDecompressor* DecompressionEngineFor(int typeCode) const;
    ALStorage* StorageFor(const wchar_t* name, int typeCode) const;
    ALEngine* CryptoEngineFor(int typeCode) const;

    std::vector<std::unique_ptr<ALEngine>> compressionEngines;
    std::vector<std::unique_ptr<ALDecompressor>> decompressionEngines;
    std::vector<std::unique_ptr<ALStorage>> storageObjects;
    std::vector<std::unique_ptr<ALEngine>> cryptoEngines;
};

class ALEntry {
public:
    static constexpr int kMarked = 0x01, kEncrypted = 0x02;
    static constexpr int kStripPathOnInsert = 0x01, kStripPathOnExtract = 0x02;

    // Links the new entry at the end of the ring and marks it; takes ownership of all four.
    ALEntry(ALEntryRing& ring, ALStorage* storage, ALEngine* compressor, ALDecompressor* decompressor,
            ALEngine* crypto = nullptr);
    ~ALEntry();
    ALEntry(const ALEntry&) = delete;
    ALEntry& operator=(const ALEntry&) = delete;

    ALEntry* NextEntry() const;
    bool IsMarked() const { return (flags & kMarked) != 0; }
    bool IsEncrypted() const { return (flags & kEncrypted) != 0; }
    bool SetComment(const wchar_t* text);
    const wchar_t* Comment() const { return comment_ ? comment_->c_str() : L""; }

    ALStorage* storage() const { return storage_.get(); }
    ALDecompressor* decompressor() const { return decompressor_.get(); }
    ALEngine* crypto() const { return crypto_.get(); }

    long compressedSize = -1;
    uint32_t crc = 0;  // complement of the stored CRC-32, comparable with a storage's register
    int flags = 0;
    long localHeaderOffset = -1;
    int options = 0;

private:
    friend class ALEntryRing;
    explicit ALEntry(ALEntryRing& ring);  // the sentinel: links to itself

    std::unique_ptr<std::wstring> comment_;
    ALEntry* next_;
    ALEntry* previous_;
    ALEntryRing* ring_;
    std::unique_ptr<ALStorage> storage_;
    std::unique_ptr<ALEngine> compressor_;
    std::unique_ptr<ALDecompressor> decompressor_;
    std::unique_ptr<ALEngine> crypto_;
};

class ALEntryRing {
public:
    // Without a monitor the process-wide default monitor (object mode, messages off) is used.
    explicit ALEntryRing(ALMonitor* monitor = nullptr, const ALPrototypeSet& prototypes = ALPrototypeSet::Standard());
    ~ALEntryRing();
    ALEntryRing(const ALEntryRing&) = delete;
    ALEntryRing& operator=(const ALEntryRing&) = delete;

    ALEntry* FirstEntry() const;
    int EntryCount() const;
    ALMonitor& monitor() const { return *monitor_; }
    const ALPrototypeSet& prototypes() const { return prototypes_; }

    ALErrorState status;

private:
    friend class ALEntry;
    ALEntry sentinel_;
    ALMonitor* monitor_;
    ALPrototypeSet prototypes_;
};

class ALArchive {
public:
    ALArchive(ALStorage* storage, bool ownsStorage, int formatCode);
    virtual ~ALArchive();
    ALArchive(const ALArchive&) = delete;
    ALArchive& operator=(const ALArchive&) = delete;

    // Reads past the local header of the member whose header starts at the position of `in`.
    virtual int SkipLocalHeader(ALStorage& in) const = 0;
    virtual void AfterEntryData(ALEntry& entry) {}
    virtual int WriteExtraData() { return 0; }
    virtual int ReadExtraData() { return 0; }
    // Fills the ring; the number of entries read, or a negative status.
    virtual int ReadDirectory(ALEntryRing& ring) = 0;
    // Extracts every marked entry below `folder` (a separator is added when it has none);
    // entries processed or a status. Texts and monitors name the members as stored.
    int Extract(ALEntryRing& ring, const std::wstring& folder);

    ALStorage& storage() const { return *storage_; }
    int FormatCode() const { return formatCode_; }
    const wchar_t* Comment() const { return comment_.Name(); }

    ALErrorState status;

protected:
    // The steps of Extract: the job's size for the monitor, the names the members are written
    // under and their folder, then each marked member (false when one has no engine, which
    // ends the extraction at once).
    void StartJob(ALEntryRing& ring, ALMonitor& monitor);
    static void SetFinalNames(ALEntryRing& ring, const std::wstring& folder);
    bool ExtractMarked(ALEntryRing& ring, ALMonitor& monitor, int& count);
    bool HasEnginesFor(const ALEntry& entry);
    // One member from where the archive stands: created, inflated or copied, its checksum checked.
    void ExtractInTurn(ALEntry& entry, ALMonitor& monitor);
    void TakeFirstMemberFailure(ALEntryRing& ring);
    // What follows every member's data: the last progress step and the end notice.
    void FinishEntry(ALEntry& entry, ALMonitor& monitor);
    // Reports the steps of a member inflated ahead and takes its file as extracted; false
    // when the engine must extract the member itself.
    bool AdoptInflatedAhead(ALInflateAhead& ahead, ALMonitor& monitor);

    std::unique_ptr<ALStorage> storage_;
    ALPathName comment_{AL_MIXED};
    int formatCode_;
    bool ownsStorage_;
    long storedDirectoryOffset_ = 0;
};

// The fixed part of one central-directory record, decoded before an entry is built from it.
struct ALPkDirectoryRecord {
    static constexpr long kFixedLength = 46;  // signature included; name, extra and comment follow

    uint16_t versionMadeBy = 0, versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
    uint32_t crc = 0, compressedSize = 0, size = 0;
    uint16_t nameLength = 0, extraLength = 0, commentLength = 0, diskStart = 0, internalAttributes = 0;
    uint32_t externalAttributes = 0, localHeaderOffset = 0;

    bool Encrypted() const { return (flags & 0x0001) != 0; }
    bool Utf8Names() const { return (flags & 0x0800) != 0; }
    // The engine that extracts the member: deflate with its option bits, else method + 100.
    int TypeCode() const;
    // What the member takes in front of the directory: local header, name, extra field, data,
    // and a data descriptor when bit 3 says one follows. Sizes are held as the engine holds
    // them, in a long.
    long LocalSpan() const;
};

enum ALPkRecordKind { AL_PK_DIRECTORY_RECORD, AL_PK_END_RECORD, AL_PK_BAD_RECORD };
// What a record's four signature bytes announce.
ALPkRecordKind ALPkRecordKindOf(const unsigned char* signature);
// Decodes kFixedLength bytes, signature included; every value is taken as stored.
ALPkDirectoryRecord ALDecodeDirectoryRecord(const unsigned char* bytes);

// The certificate table of a signed Windows program: signing appends it after everything
// else, an appended archive included. Its offset is a file position, not an address.
struct ALCertificateDirectory {
    uint32_t offset = 0;
    uint32_t size = 0;
};
// Reads the security entry of the data directories from the PE headers (`ntHeaders` starts at
// their "PE\0\0" signature); false when the bytes are no PE headers or name no table.
bool ALReadCertificateDirectory(const unsigned char* ntHeaders, size_t length, ALCertificateDirectory& directory);
constexpr size_t kALNtHeadersLength = 4 + 20 + 112 + 5 * 8;  // enough for the security entry

class ALPkArchive : public ALArchive {
public:
    static constexpr int kFormatCode = 32;
    static constexpr long kEndRecordWindow = 66000;

    explicit ALPkArchive(const wchar_t* fileName);

    int SkipLocalHeader(ALStorage& in) const override;
    int ReadDirectory(ALEntryRing& ring) override;

    long EndRecordPosition() const { return endRecordPosition_; }
    // Where the archive's search ends: the file's size, or where a signature's certificate
    // table begins. Known after ReadDirectory.
    long SearchEnd() const { return searchEnd_; }
    long DirectorySize() const { return directorySize_; }
    long StoredDirectoryOffset() const { return storedDirectoryOffset_; }

private:
    int LocateEndRecord();
    long CertificateTableStart();
    // Whether an end record at this position, wholly before the search end, names a central
    // directory that starts with a directory record (or is empty).
    bool EndRecordLeadsToDirectory(long position);
    // Builds the entry of a decoded record in the ring and reads its name and comment, which
    // follow the fixed part; returns the status.
    int AddEntry(ALEntryRing& ring, const ALPkDirectoryRecord& record);
    // Whether the first and last entries find a local header signature when shifted so.
    bool LocalHeadersAt(ALEntryRing& ring, long shift);

    long endRecordPosition_ = -1;
    long searchEnd_ = -1;
    unsigned short thisDisk_ = 0, directoryDisk_ = 0, entriesOnDisk_ = 0, totalEntries_ = 0;
    long directorySize_ = 0;
};

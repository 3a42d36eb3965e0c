#include "archive/al_archive.h"

#include <new>

#include "archive/al_inflate_ahead.h"
#include "common/byte_order.h"
#include "common/member_name_rule.h"

// ---- ALPrototypeSet ----------------------------------------------------------------------

namespace {

template <typename T>
void cloneAll(const std::vector<std::unique_ptr<T>>& from, std::vector<std::unique_ptr<T>>& to) {
    for (const auto& prototype : from)
        if (auto* copy = prototype->CloneFor(AL_ENGINE_ANY)) to.emplace_back(static_cast<T*>(copy));
}

}  // namespace

ALPrototypeSet::ALPrototypeSet(const ALPrototypeSet& other) {
    cloneAll(other.compressionEngines, compressionEngines);
    cloneAll(other.decompressionEngines, decompressionEngines);
    cloneAll(other.cryptoEngines, cryptoEngines);
    for (const auto& prototype : other.storageObjects)
        if (auto* copy = prototype->CloneFor(prototype->name.Name(), AL_STORAGE_ANY)) storageObjects.emplace_back(copy);
}

ALPrototypeSet ALPrototypeSet::Standard() {
    ALPrototypeSet set;
    set.decompressionEngines.emplace_back(new ALPkDecompressor(0));
    set.decompressionEngines.emplace_back(new ALCopyDecompressor);
    set.storageObjects.emplace_back(new ALFile(L"", ALFile::kBufferSize, AL_MIXED_NO_CASE));
    return set;
}

ALEngine* ALPrototypeSet::CompressionEngineFor(int typeCode) const {
    for (const auto& p : compressionEngines)
        if (auto* e = p->CloneFor(typeCode)) return e;
    return nullptr;
}

ALDecompressor* ALPrototypeSet::DecompressionEngineFor(int typeCode) const {
    for (const auto& p : decompressionEngines)
        if (auto* e = p->CloneFor(typeCode)) return e;
    return nullptr;
}

ALStorage* ALPrototypeSet::StorageFor(const wchar_t* name, int typeCode) const {
    for (const auto& p : storageObjects)
        if (auto* s = p->CloneFor(name, typeCode)) return s;
    return nullptr;
}

ALEngine* ALPrototypeSet::CryptoEngineFor(int typeCode) const {
    for (const auto& p : cryptoEngines)
        if (auto* e = p->CloneFor(typeCode)) return e;
    return nullptr;
}

// ---- ALEntry / ALEntryRing ---------------------------------------------------------------

ALEntry::ALEntry(ALEntryRing& ring) : next_(this), previous_(this), ring_(&ring) {}

ALEntry::ALEntry(ALEntryRing& ring, ALStorage* storage, ALEngine* compressor, ALDecompressor* decompressor,
                 ALEngine* crypto)
    : ring_(&ring), storage_(storage), compressor_(compressor), decompressor_(decompressor), crypto_(crypto) {
    ALEntry& sentinel = ring.sentinel_;
    next_ = &sentinel;
    previous_ = sentinel.previous_;
    previous_->next_ = this;
    sentinel.previous_ = this;
    flags = kMarked | (crypto ? kEncrypted : 0);
}

ALEntry::~ALEntry() {
    previous_->next_ = next_;
    next_->previous_ = previous_;
}

ALEntry* ALEntry::NextEntry() const { return next_ == &ring_->sentinel_ ? nullptr : next_; }

bool ALEntry::SetComment(const wchar_t* text) {
    comment_.reset(new (std::nothrow) std::wstring(text ? text : L""));
    return comment_ != nullptr;
}

ALEntryRing::ALEntryRing(ALMonitor* monitor, const ALPrototypeSet& prototypes)
    : sentinel_(*this), monitor_(monitor ? monitor : &ALDefaultMonitor()), prototypes_(prototypes) {}

ALEntryRing::~ALEntryRing() {
    while (sentinel_.next_ != &sentinel_) delete sentinel_.next_;
}

ALEntry* ALEntryRing::FirstEntry() const { return sentinel_.next_ == &sentinel_ ? nullptr : sentinel_.next_; }

int ALEntryRing::EntryCount() const {
    int count = 0;
    for (ALEntry* e = FirstEntry(); e; e = e->NextEntry()) ++count;
    return count;
}

// ---- ALArchive ---------------------------------------------------------------------------

ALArchive::ALArchive(ALStorage* storage, bool ownsStorage, int formatCode)
    : storage_(storage), formatCode_(formatCode), ownsStorage_(ownsStorage) {}

ALArchive::~ALArchive() {
    if (!ownsStorage_) (void)storage_.release();
}

int ALArchive::Extract(ALEntryRing& ring, const std::wstring& folder) {
    // A failed directory read leaves the archive refusing work: nothing of it is written.
    if (status < 0) return status;
    if (!storage_) return status.Set(AL_CANT_OPEN_FILE);
    ALStorage& archiveFile = *storage_;
    const bool openedHere = !archiveFile.HasBuffer();
    if (openedHere) archiveFile.Open();
    if (archiveFile.status < 0) {
        status.Copy(archiveFile.status);
        if (openedHere) archiveFile.Close();
        return status;
    }
    ALMonitor& monitor = ring.monitor();
    monitor.ArchiveOperation(AL_EXTRACTION_OPEN, this, nullptr);
    StartJob(ring, monitor);
    SetFinalNames(ring, folder);
    int count = 0;
    const bool finished = ExtractMarked(ring, monitor, count);
    if (finished) {
        monitor.ArchiveOperation(AL_EXTRACTION_CLOSE, this, nullptr);
        if (status >= 0) TakeFirstMemberFailure(ring);
    }
    if (openedHere) archiveFile.Close();
    if (!finished) return status;
    return status < 0 ? status.Code() : count;
}

void ALArchive::StartJob(ALEntryRing& ring, ALMonitor& monitor) {
    monitor.completedBytes = 0;
    if (monitor.mode != AL_MONITOR_JOB) return;
    uint32_t job = 0;
    for (ALEntry* e = ring.FirstEntry(); e; e = e->NextEntry()) {
        if (!e->IsMarked()) continue;
        if (e->compressedSize == -1) {
            job = 0xFFFFFFFFu;
            break;
        }
        job += static_cast<uint32_t>(e->compressedSize);
    }
    monitor.jobSize = job;
}

// Names are final before anything is written: a member inflated ahead is written under its
// own while the one before it is.
void ALArchive::SetFinalNames(ALEntryRing& ring, const std::wstring& folder) {
    std::wstring prefix = folder;
    if (!prefix.empty() && prefix.back() != L'\\' && prefix.back() != L'/') prefix += L'\\';
    for (ALEntry* entry = ring.FirstEntry(); entry; entry = entry->NextEntry()) {
        ALStorage& output = *entry->storage();
        output.SetFolder(prefix);
        if (entry->options & ALEntry::kStripPathOnExtract) {
            const std::wstring& n = output.name.Text();
            size_t cut = n.find_last_of(L"\\/:");
            if (cut != std::wstring::npos) output.name.Set(n.substr(cut + 1).c_str());
        }
    }
}

bool ALArchive::ExtractMarked(ALEntryRing& ring, ALMonitor& monitor, int& count) {
    ALStorage& archiveFile = *storage_;
    std::unique_ptr<ALInflateAhead> ahead;
    for (ALEntry* entry = ring.FirstEntry(); entry; entry = entry->NextEntry()) {
        if (!entry->IsMarked()) continue;
        monitor.ArchiveOperation(AL_EXTRACTION_START, this, entry);
        if (ahead && &ahead->Entry() == entry) {
            const bool adopted = AdoptInflatedAhead(*ahead, monitor);
            ahead.reset();
            if (adopted) {
                FinishEntry(*entry, monitor);
                ++count;
                continue;
            }
        }
        archiveFile.Seek(entry->localHeaderOffset);
        SkipLocalHeader(archiveFile);
        if (!HasEnginesFor(*entry)) return false;
        ALEntry* next = entry->NextEntry();
        while (next && !next->IsMarked()) next = next->NextEntry();
        if (next && !ahead && ALInflateAhead::Suits(*entry, *next))
            ahead.reset(new (std::nothrow) ALInflateAhead(*this, archiveFile.name.Name(), *next));
        ExtractInTurn(*entry, monitor);
        FinishEntry(*entry, monitor);
        ++count;
        if (status < 0) break;
    }
    return true;
}

bool ALArchive::HasEnginesFor(const ALEntry& entry) {
    if (!entry.decompressor())
        status.Set(AL_CANT_CREATE_ENGINE, "Attempt to decompress without a decompressor");
    else if (entry.IsEncrypted() && !entry.crypto())
        status.Set(AL_MISSING_CRYPTO_ENGINE, "Attempt to extract an object without decryption engine");
    else
        return true;
    return false;
}

void ALArchive::ExtractInTurn(ALEntry& entry, ALMonitor& monitor) {
    ALStorage& archiveFile = *storage_;
    ALStorage& output = *entry.storage();
    output.Create(output.Size());
    if (output.status != 0) return;
    monitor.objectSize = entry.compressedSize;
    monitor.objectStart = archiveFile.Tell();
    archiveFile.SetMonitor(&monitor);
    entry.decompressor()->Decompress(archiveFile, output, entry.compressedSize);
    output.Close();
    AfterEntryData(entry);
    uint32_t actual = output.FinishCrc();
    // A failed write already explains a wrong checksum; keep the cause.
    if (output.status >= 0 && entry.crc != actual)
        output.status.Set(AL_CRC_ERROR, "CRC32 was supposed to be %08lx, was %08lx", static_cast<unsigned long>(entry.crc),
                          static_cast<unsigned long>(actual));
}

// The archive's status names the first member that failed, as "<name>: <reason>".
void ALArchive::TakeFirstMemberFailure(ALEntryRing& ring) {
    for (ALEntry* e = ring.FirstEntry(); e; e = e->NextEntry()) {
        ALStorage* s = e->storage();
        if (s && s->status < 0) {
            status.Set(s->status.Code(), "%s: %s", s->name.Name(), s->status.Text());
            return;
        }
    }
}

void ALArchive::FinishEntry(ALEntry& entry, ALMonitor& monitor) {
    storage_->ReportProgress();
    monitor.completedBytes += static_cast<uint32_t>(entry.compressedSize);
    storage_->SetMonitor(nullptr);
    monitor.ArchiveOperation(AL_EXTRACTION_END, this, &entry);
}

bool ALArchive::AdoptInflatedAhead(ALInflateAhead& ahead, ALMonitor& monitor) {
    ALStorage& archiveFile = *storage_;
    ALEntry& entry = ahead.Entry();
    // After a cancel, before or while the steps are reported, the engine's own steps fail the
    // member as they always did.
    bool adopted = archiveFile.status >= 0 && ahead.Finish();
    if (adopted) {
        // Where reading the member would have left the archive; seeking reports no step
        // while the archive has no monitor.
        archiveFile.Seek(ahead.EndPosition());
        monitor.objectSize = entry.compressedSize;
        monitor.objectStart = ahead.ObjectStart();
        archiveFile.SetMonitor(&monitor);
        for (long position : ahead.ProgressPositions()) {
            monitor.Progress(position, archiveFile);
            if (archiveFile.status < 0) {
                adopted = false;
                break;
            }
        }
    }
    if (!adopted) {
        archiveFile.SetMonitor(nullptr);
        ahead.Discard();
        return false;
    }
    entry.storage()->SetSize(ahead.FileSize());
    ahead.KeepFile();
    return true;
}

// ---- ALPkArchive -------------------------------------------------------------------------

ALPkArchive::ALPkArchive(const wchar_t* fileName)
    : ALArchive(new (std::nothrow) ALFile(fileName, ALFile::kBufferSize, AL_MIXED_NO_CASE), true, kFormatCode) {
    if (!storage_) status.Set(AL_CANT_CREATE_STORAGE_OBJECT, "Failure creating storage object for ZIP file %s", fileName);
}

int ALPkArchive::SkipLocalHeader(ALStorage& in) const {
    for (int i = 0; i < 26; ++i) in.ReadChar();
    short nameLength, extraLength;
    in.ReadShort(nameLength);
    in.ReadShort(extraLength);
    long skip = static_cast<unsigned short>(nameLength) + static_cast<long>(static_cast<unsigned short>(extraLength));
    for (long i = 0; i < skip; ++i)
        if (in.ReadChar() < 0) break;
    return in.status;
}

long ALPkArchive::CertificateTableStart() {
    ALStorage& in = *storage_;
    const long size = in.Size();
    unsigned char dosHeader[64];
    if (size < 64 || in.Seek(0) < 0 || in.ReadBuffer(dosHeader, 64) != 64 || dosHeader[0] != 'M' || dosHeader[1] != 'Z')
        return size;
    const unsigned long ntAt = velmora::readLe32(dosHeader + 0x3C);
    unsigned char ntHeaders[kALNtHeadersLength];
    if (static_cast<unsigned long>(size) < sizeof ntHeaders || ntAt > static_cast<unsigned long>(size) - sizeof ntHeaders)
        return size;
    ALCertificateDirectory table;
    if (in.Seek(static_cast<long>(ntAt)) < 0 ||
        in.ReadBuffer(ntHeaders, sizeof ntHeaders) != static_cast<long>(sizeof ntHeaders) ||
        !ALReadCertificateDirectory(ntHeaders, sizeof ntHeaders, table))
        return size;
    // Only a table that ends the file signs the installer; one inside it (a stub signed before
    // the payload was appended) or past its end bounds nothing.
    if (table.offset > static_cast<unsigned long>(size) || table.size != static_cast<unsigned long>(size) - table.offset)
        return size;
    return static_cast<long>(table.offset);
}

bool ALPkArchive::EndRecordLeadsToDirectory(long position) {
    ALStorage& in = *storage_;
    unsigned char record[22];
    if (position > searchEnd_ - 22 || in.Seek(position) < 0 || in.ReadBuffer(record, 22) != 22) return false;
    const unsigned long entries = velmora::readLe16(record + 10);
    const unsigned long size = velmora::readLe32(record + 12);
    if (size == 0) return entries == 0;
    if (size > static_cast<unsigned long>(position)) return false;
    unsigned char signature[4];
    if (in.Seek(position - static_cast<long>(size)) < 0 || in.ReadBuffer(signature, 4) != 4) return false;
    return signature[0] == 'P' && signature[1] == 'K' && signature[2] == 1 && signature[3] == 2;
}

int ALPkArchive::LocateEndRecord() {
    ALStorage& in = *storage_;
    endRecordPosition_ = -1;
    // A signed installer carries its certificate table behind the archive; bytes in it may
    // look like an end record, and a large table would push the archive out of the window.
    searchEnd_ = CertificateTableStart();
    const long end = searchEnd_;
    const long window = end < kEndRecordWindow ? end : kEndRecordWindow;
    // The last signature is taken only when it leads to a central directory; a comment or
    // data behind the archive may hold the bytes too. When no signature does, the last one
    // is used all the same, so that a damaged directory is reported as such.
    long lastSignature = -1;
    if (end > 0 && in.status >= 0) {
        unsigned char block[256 + 3];
        long position = end;
        long searched = 0;
        long carried = 0;  // bytes of the later block that follow this one in the file
        while (searched < window) {
            long length = window - searched < 256 ? window - searched : 256;
            position -= length;
            searched += length;
            // Keep the first three bytes of the block read before, which follow this one.
            memmove(block + length, block, static_cast<size_t>(carried));
            if (in.Seek(position) < 0) break;
            if (in.ReadBuffer(block, length) != length) break;
            long examined = length + carried;
            for (long i = examined - 4; i >= 0; --i) {
                if (block[i] != 0x50 || block[i + 1] != 0x4B || block[i + 2] != 0x05 || block[i + 3] != 0x06) continue;
                if (lastSignature < 0) lastSignature = position + i;
                if (EndRecordLeadsToDirectory(position + i)) {
                    endRecordPosition_ = position + i;
                    return 0;
                }
                if (in.status < 0) break;
            }
            if (in.status < 0) break;
            carried = length < 3 ? length : 3;
        }
    }
    if (in.status < 0) return status.Copy(in.status), status;
    if (lastSignature >= 0) {
        endRecordPosition_ = lastSignature;
        return 0;
    }
    return status.Set(AL_INVALID_ARCHIVE, "Can't locate end of central directory in ZIP file %s", in.name.Name());
}

bool ALPkArchive::LocalHeadersAt(ALEntryRing& ring, long shift) {
    ALStorage& in = *storage_;
    ALEntry* first = ring.FirstEntry();
    if (!first || in.status < 0) return true;
    ALEntry* last = first;
    while (last->NextEntry()) last = last->NextEntry();
    for (ALEntry* e : {first, last}) {
        long position = e->localHeaderOffset + shift;
        if (position < 0 || position > in.Size() - 4) return false;
        unsigned char signature[4];
        if (in.Seek(position) < 0 || in.ReadBuffer(signature, 4) != 4) return false;
        if (signature[0] != 'P' || signature[1] != 'K' || signature[2] != 3 || signature[3] != 4) return false;
    }
    return true;
}

int ALPkArchive::AddEntry(ALEntryRing& ring, const ALPkDirectoryRecord& record) {
    ALStorage& in = *storage_;
    const wchar_t* archiveName = in.name.Name();
    const ALPrototypeSet& prototypes = ring.prototypes();
    const int typeCode = record.TypeCode();
    std::unique_ptr<ALDecompressor> decompressor(prototypes.DecompressionEngineFor(typeCode));
    std::unique_ptr<ALEngine> compressor(prototypes.CompressionEngineFor(typeCode));
    std::unique_ptr<ALStorage> storage(prototypes.StorageFor(L"", AL_STORAGE_ANY));
    if (!storage)
        return status.Set(AL_CANT_CREATE_STORAGE_OBJECT, "Failure creating storage object in ZIP file %s", archiveName);
    std::unique_ptr<ALEngine> crypto(record.Encrypted() ? prototypes.CryptoEngineFor(AL_ENGINE_ANY) : nullptr);
    ALStorage* output = storage.get();
    ALEntry* entry = new (std::nothrow)
        ALEntry(ring, storage.release(), compressor.release(), decompressor.release(), crypto.release());
    if (!entry)
        return status.Set(AL_MEMORY_ALLOCATION_FAILURE,
                          "Failure creating ALEntry object when reading directory in ZIP file %s", archiveName);
    entry->flags = (entry->flags & ~ALEntry::kEncrypted) | (record.Encrypted() ? ALEntry::kEncrypted : 0);
    // Sizes and offsets go into longs as the engine's storage reads them.
    entry->crc = ~record.crc;
    entry->compressedSize = static_cast<long>(record.compressedSize);
    entry->localHeaderOffset = static_cast<long>(record.localHeaderOffset);
    output->stamp = ALStamp::FromDos(record.date, record.time);
    output->SetSize(static_cast<long>(record.size));
    output->attributes.SetFromZipExternal(record.externalAttributes);

    in.ReadString(output->name, record.nameLength, record.Utf8Names());
    for (long i = 0; i < record.extraLength; ++i)
        if (in.ReadChar() < 0) break;
    ALPathName comment(AL_MIXED);
    in.ReadString(comment, record.commentLength, record.Utf8Names());
    if (!entry->SetComment(comment.Name()))
        ring.status.Set(AL_MEMORY_ALLOCATION_FAILURE,
                        "Failed to allocate memory when adding comment to storage object %s", output->name.Name());
    if (in.status < 0) return status.Copy(in.status), status;

    const std::wstring& memberName = output->name.Text();
    if (!velmora::isSafeMemberName(memberName))
        return status.Set(AL_INVALID_ARCHIVE, "Unsafe member name %s in ZIP file %s", memberName.c_str(), archiveName);
    // A name that ends with a separator is a folder even when its attributes do not say so.
    if (memberName.back() == L'/' || memberName.back() == L'\\') output->attributes.bits |= ALAttributeWord::kDirectory;

    ring.monitor().Message(AL_DIRECTORY_ENTRY, L"%s", memberName.c_str());
    return status;
}

int ALPkArchive::ReadDirectory(ALEntryRing& ring) {
    ring.monitor().ArchiveOperation(AL_READ_DIRECTORY_START, this, nullptr);
    if (status < 0) return status;
    ALStorage& in = *storage_;
    bool openedHere = false;
    if (!in.HasBuffer()) {
        in.Open();
        openedHere = true;
    }
    int count = 0;
    if (in.status < 0) {
        status.Copy(in.status);
    } else if (LocateEndRecord() == 0) {
        in.Seek(endRecordPosition_ + 4);
        short word;
        in.ReadShort(word);
        thisDisk_ = static_cast<unsigned short>(word);
        in.ReadShort(word);
        directoryDisk_ = static_cast<unsigned short>(word);
        in.ReadShort(word);
        entriesOnDisk_ = static_cast<unsigned short>(word);
        in.ReadShort(word);
        totalEntries_ = static_cast<unsigned short>(word);
        in.ReadLong(directorySize_);
        in.ReadLong(storedDirectoryOffset_);
        in.ReadShort(word);
        in.ReadString(comment_, static_cast<unsigned short>(word));

        long directoryStart = endRecordPosition_ - directorySize_;
        in.Seek(directoryStart);
        long expected = 0;
        while (status >= 0) {
            unsigned char fixed[ALPkDirectoryRecord::kFixedLength];
            if (in.ReadBuffer(fixed, 4) < 4) {
                status.Copy(in.status);  // a directory that ends early counts when nothing failed
                break;
            }
            const ALPkRecordKind kind = ALPkRecordKindOf(fixed);
            if (kind == AL_PK_END_RECORD) break;
            if (kind == AL_PK_BAD_RECORD ||
                in.ReadBuffer(fixed + 4, ALPkDirectoryRecord::kFixedLength - 4) != ALPkDirectoryRecord::kFixedLength - 4) {
                if (in.status < 0)
                    status.Copy(in.status);
                else
                    status.Set(AL_INVALID_ARCHIVE, "Bad record in central directory of ZIP file %s", in.name.Name());
                break;
            }
            const ALPkDirectoryRecord record = ALDecodeDirectoryRecord(fixed);
            if (AddEntry(ring, record) < 0) break;
            expected += record.LocalSpan();
            ++count;
        }
        // Stored offsets count from the archive's first byte; whatever lies in front of the
        // archive (the self-extractor itself) shifts every member by the same amount. The
        // shift follows from the member sizes when the members lie back to back with the same
        // extra fields locally and centrally (our payloads); other writers (Info-ZIP puts
        // longer extra fields in local headers) need the stored directory offset instead.
        long shift = directoryStart - expected;
        if (!LocalHeadersAt(ring, shift) && LocalHeadersAt(ring, directoryStart - storedDirectoryOffset_))
            shift = directoryStart - storedDirectoryOffset_;
        for (ALEntry* e = ring.FirstEntry(); e; e = e->NextEntry()) e->localHeaderOffset += shift;
    }
    if (openedHere) in.Close();
    ring.monitor().ArchiveOperation(AL_READ_DIRECTORY_END, this, nullptr);
    return status < 0 ? status.Code() : count;
}

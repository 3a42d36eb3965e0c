#include "archive/al_storage.h"

#include <windows.h>

#include <cwctype>
#include <new>

#include <zlib.h>

#include "archive/al_engine.h"

// ---- ALStamp ---------------------------------------------------------------------------

long ALStamp::JulianDay(int y, int m, int d) {
    long year = y, month = m, day = d;
    return (1461 * (year + 4800 + (month - 14) / 12)) / 4 + (367 * (month - 2 - 12 * ((month - 14) / 12))) / 12 -
           (3 * ((year + 4900 + (month - 14) / 12) / 100)) / 4 + day - 32075;
}

void ALStamp::DateOfJulianDay(long jdn, int& year, int& month, int& day) {
    long l = jdn + 68569;
    long n = (4 * l) / 146097;
    l = l - (146097 * n + 3) / 4;
    long i = (4000 * (l + 1)) / 1461001;
    l = l - (1461 * i) / 4 + 31;
    long j = (80 * l) / 2447;
    day = static_cast<int>(l - (2447 * j) / 80);
    l = j / 11;
    month = static_cast<int>(j + 2 - 12 * l);
    year = static_cast<int>(100 * (n - 49) + i + l);
}

long ALStamp::ToSeconds() const {
    long days = JulianDay(year, month, day) - 2440588;
    if (days < 0) return 0;
    uint32_t seconds = static_cast<uint32_t>(days) * 86400u + hour * 3600u + minute * 60u + second;
    return static_cast<long>(seconds);
}

ALStamp ALStamp::FromSeconds(long seconds) {
    uint32_t s = static_cast<uint32_t>(seconds);
    int y, m, d;
    DateOfJulianDay(static_cast<long>(s / 86400u) + 2440588, y, m, d);
    uint32_t rest = s % 86400u;
    ALStamp stamp;
    stamp.year = static_cast<uint16_t>(y);
    stamp.month = static_cast<uint16_t>(m);
    stamp.day = static_cast<uint16_t>(d);
    stamp.hour = static_cast<uint16_t>(rest / 3600);
    stamp.minute = static_cast<uint16_t>(rest / 60 % 60);
    stamp.second = static_cast<uint16_t>(rest % 60);
    return stamp;
}

uint16_t ALStamp::DosDate() const { return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day); }
uint16_t ALStamp::DosTime() const { return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2)); }

ALStamp ALStamp::FromDos(uint16_t date, uint16_t time) {
    ALStamp stamp;
    stamp.year = static_cast<uint16_t>((date >> 9) + 1980);
    stamp.month = static_cast<uint16_t>((date >> 5) & 15);
    stamp.day = static_cast<uint16_t>(date & 31);
    stamp.hour = static_cast<uint16_t>(time >> 11);
    stamp.minute = static_cast<uint16_t>((time >> 5) & 63);
    stamp.second = static_cast<uint16_t>((time & 31) * 2);
    return stamp;
}

// ---- ALAttributeWord -------------------------------------------------------------------

void ALAttributeWord::SetFromWin32(uint32_t a) {
    uint16_t low = 0;
    if (a & FILE_ATTRIBUTE_READONLY) low |= kReadOnly;
    if (a & FILE_ATTRIBUTE_SYSTEM) low |= kSystem;
    if (a & FILE_ATTRIBUTE_HIDDEN) low |= kHidden;
    if (a & FILE_ATTRIBUTE_ARCHIVE) low |= kArchive;
    bits = static_cast<uint16_t>(((bits & 0x7FE0) | low) & 0x7FFF);  // bit 4 cleared, 5-14 kept
}

uint32_t ALAttributeWord::ToWin32() const {
    uint32_t a = 0;
    if (bits & kReadOnly) a |= FILE_ATTRIBUTE_READONLY;
    if (bits & kSystem) a |= FILE_ATTRIBUTE_SYSTEM;
    if (bits & kHidden) a |= FILE_ATTRIBUTE_HIDDEN;
    if (bits & kArchive) a |= FILE_ATTRIBUTE_ARCHIVE;
    return a;
}

void ALAttributeWord::SetFromZipExternal(uint32_t external) {
    uint16_t b = 0;
    if (external & 0x01) b |= kReadOnly;
    if (external & 0x02) b |= kHidden;
    if (external & 0x04) b |= kSystem;
    if (external & 0x20) b |= kArchive;
    if (external & 0x10) b |= kDirectory;
    bits = b;
}

// ---- ALPathName ------------------------------------------------------------------------

std::wstring ALPathName::Cased(const std::wstring& text) const {
    std::wstring out = text;
    if (mode_ == AL_UPPER)
        for (auto& c : out) c = static_cast<wchar_t>(std::towupper(c));
    else if (mode_ == AL_LOWER)
        for (auto& c : out) c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

bool ALPathName::Set(const wchar_t* name) {
    std::wstring next = Cased(name ? name : L"");
    previous_ = std::move(current_);
    current_ = std::move(next);
    return true;
}

bool ALPathName::SameAs(const wchar_t* a, const wchar_t* b) const {
    if (mode_ == AL_MIXED) return wcscmp(a, b) == 0;
    return _wcsicmp(a, b) == 0;
}

// ---- CRC -------------------------------------------------------------------------------

uint32_t ALUpdateCrc(uint32_t reg, const unsigned char* data, size_t n) {
    // zlib's CRC-32 works on the complemented value; the register is kept uncomplemented.
    while (n > 0) {
        uInt chunk = n > 0x40000000u ? 0x40000000u : static_cast<uInt>(n);
        reg = ~static_cast<uint32_t>(crc32(~reg & 0xFFFFFFFFul, data, chunk));
        data += chunk;
        n -= chunk;
    }
    return reg;
}

// ---- ALStorage -------------------------------------------------------------------------

ALStorage::ALStorage(const wchar_t* n, int bufferSize, int typeCode, ALCase caseMode)
    : name(caseMode), typeCode_(typeCode), bufferSize_(bufferSize) {
    if (!name.Set(n)) status.Set(AL_CANT_ALLOCATE_BUFFER, "Allocation of buffer failed in ALStorage constructor");
}

ALStorage::~ALStorage() = default;

const wchar_t* ALStorage::PathOf(const std::wstring& n) const {
    path_.resize(folderLength_);
    path_ += n;
    return path_.c_str();
}

int ALStorage::WriteExtraData() { return WriteShortBE(0); }

int ALStorage::ReadExtraData() {
    short length;
    ReadShortBE(length);
    return status;
}

bool ALStorage::FreeBuffer() {
    bool had = buffer_ != nullptr;
    buffer_.reset();
    return had;
}

int ALStorage::Open() {
    if (status < 0) return status;
    if (bufferSize_ != 0 && !buffer_) {
        buffer_.reset(new (std::nothrow) unsigned char[static_cast<size_t>(bufferSize_)]);
        if (!buffer_) return status.Set(AL_CANT_ALLOCATE_BUFFER, "Allocation of buffer failed in Open()");
    }
    crc_ = 0xFFFFFFFFu;
    crcEnabled_ = false;
    fill_ = pending_ = readIndex_ = bufferOffset_ = 0;
    return status;
}

int ALStorage::Create(long) {
    if (ALStorage::Open() < 0) return status;
    size_ = 0;
    written_ = true;
    return status;
}

int ALStorage::Close() {
    FreeBuffer();
    return status;
}

void ALStorage::TransformBlock(unsigned char* data, long n) {
    if (crcEnabled_ && n > 0) crc_ = ALUpdateCrc(crc_, data, static_cast<size_t>(n));
}

void ALStorage::ReportProgress() {
    if (monitor_) monitor_->Progress(Tell(), *this);
    if (pumpsMessages) ALPumpMessages();
}

int ALStorage::ReadChar() {
    if (status < 0) return status;
    if (readIndex_ >= fill_) {
        int result = RefillBuffer(bufferOffset_);
        if (result <= 0) return result < 0 ? result : AL_END_OF_FILE;
    }
    return buffer_[readIndex_++];
}

int ALStorage::WriteChar(int byte) {
    if (status < 0) return status;
    if (pending_ >= bufferSize_ && Flush() < 0) return status;
    buffer_[pending_++] = static_cast<unsigned char>(byte);
    return byte & 0xFF;
}

long ALStorage::ReadBuffer(unsigned char* destination, long n) {
    long copied = 0;
    while (copied < n) {
        if (readIndex_ >= fill_) {
            if (status < 0 || RefillBuffer(bufferOffset_) <= 0) break;
        }
        long take = fill_ - readIndex_;
        if (take > n - copied) take = n - copied;
        memcpy(destination + copied, buffer_.get() + readIndex_, static_cast<size_t>(take));
        readIndex_ += take;
        copied += take;
    }
    return copied;
}

long ALStorage::WriteBuffer(const unsigned char* source, long n) {
    if (status < 0) return 0;
    long written = 0;
    while (written < n) {
        if (pending_ >= bufferSize_ && Flush() < 0) break;
        long take = bufferSize_ - pending_;
        if (take > n - written) take = n - written;
        memcpy(buffer_.get() + pending_, source + written, static_cast<size_t>(take));
        pending_ += take;
        written += take;
    }
    return written;
}

long ALStorage::Tell() const {
    if (pending_ > 0) return bufferOffset_ + pending_;
    return bufferOffset_ + readIndex_ - fill_;
}

int ALStorage::WriteShort(short value) {
    WriteChar(value & 0xFF);
    WriteChar((value >> 8) & 0xFF);
    return status;
}

int ALStorage::WriteLong(long value) {
    for (int shift = 0; shift < 32; shift += 8) WriteChar(static_cast<int>((value >> shift) & 0xFF));
    return status;
}

int ALStorage::WriteShortBE(short value) {
    WriteChar((value >> 8) & 0xFF);
    WriteChar(value & 0xFF);
    return status;
}

int ALStorage::ReadShort(short& value) {
    int low = ReadChar();
    int high = ReadChar();
    // End of data reads as -1 bytes; callers check the byte counts of ReadBuffer.
    value = static_cast<short>((low & 0xFF) | ((high & 0xFF) << 8));
    return status;
}

int ALStorage::ReadLong(long& value) {
    uint32_t v = 0;
    for (int shift = 0; shift < 32; shift += 8) v |= static_cast<uint32_t>(ReadChar() & 0xFF) << shift;
    value = static_cast<long>(v);
    return status;
}

int ALStorage::ReadShortBE(short& value) {
    int high = ReadChar();
    int low = ReadChar();
    value = static_cast<short>((low & 0xFF) | ((high & 0xFF) << 8));
    return status;
}

int ALStorage::ReadString(ALPathName& target, int length, bool utf8) {
    if (length == -1) {
        int high = ReadChar();
        int low = ReadChar();
        if (high < 0 || low < 0)
            return status.Set(AL_READ_ERROR, "Error reading string lengthin ReadString() for object %s", name.Name());
        length = (high << 8) | low;
    }
    if (status < 0) return status;
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[static_cast<size_t>(length) + 1]);
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[static_cast<size_t>(length) + 1]);
    if (!bytes || !wide)
        return status.Set(AL_MEMORY_ALLOCATION_FAILURE,
                          "Error allocating buffer space in call to ReadString() for object %s", name.Name());
    long got = length > 0 ? ReadBuffer(bytes.get(), length) : 0;
    int chars = got > 0 ? MultiByteToWideChar(utf8 ? CP_UTF8 : CP_ACP, 0, reinterpret_cast<const char*>(bytes.get()),
                                              static_cast<int>(got), wide.get(), length)
                        : 0;
    wide[chars] = L'\0';
    if (!target.Set(wide.get()))
        return status.Set(AL_MEMORY_ALLOCATION_FAILURE,
                          "Error allocating buffer space in call to ReadString() for object %s", name.Name());
    return status;
}

void ALStorage::StartCrc() {
    crc_ = 0xFFFFFFFFu;
    crcEnabled_ = true;
}

uint32_t ALStorage::FinishCrc() {
    if (buffer_ && crcEnabled_) Flush();
    crcEnabled_ = false;
    return crc_;
}

const unsigned char* ALStorage::UnreadBytes(long& count) const {
    count = fill_ - readIndex_;
    return buffer_.get() + readIndex_;
}

void ALStorage::MarkRead(long count) { readIndex_ += count; }

unsigned char* ALStorage::WriteSpace(long& capacity) {
    capacity = bufferSize_;
    return buffer_.get();
}

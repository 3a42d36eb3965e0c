#include "archive/al_inflate_ahead.h"

#include <zlib.h>

namespace {

// Below this a member unpacks in a few milliseconds: a thread would cost more than it saves.
constexpr long kAheadMinimum = 1024 * 1024;
// What ALPumpWindowMessages takes, as a wake mask: painting, posted messages and timers, sent ones.
constexpr DWORD kPumpedMessages = QS_PAINT | QS_POSTMESSAGE | QS_HOTKEY | QS_TIMER | QS_SENDMESSAGE;

// zlib (built with BUILDFIXED) makes its fixed Huffman tables on first use, which is not safe
// on two threads at once: they are made here, before a second thread exists. Its CRC table
// is made under a once-flag of its own.
void PrepareInflater() {
    unsigned char emptyFixedBlock[] = {0x03, 0x00};
    unsigned char out[1];
    z_stream stream{};
    if (inflateInit2(&stream, -15) == Z_OK) {
        stream.next_in = emptyFixedBlock;
        stream.avail_in = sizeof emptyFixedBlock;
        stream.next_out = out;
        stream.avail_out = sizeof out;
        inflate(&stream, Z_FINISH);
        inflateEnd(&stream);
    }
}

// Whether one name is the other, or a folder on the other's path, ignoring case code unit
// by code unit as the file system does.
bool NamesMeet(const std::wstring& a, const std::wstring& b) {
    const std::wstring& shorter = a.size() <= b.size() ? a : b;
    const std::wstring& longer = a.size() <= b.size() ? b : a;
    auto folded = [](wchar_t c) { return c == L'\\' ? L'/' : c; };
    for (size_t i = 0; i < shorter.size(); ++i) {
        wchar_t x = folded(shorter[i]), y = folded(longer[i]);
        if (x != y && CompareStringOrdinal(&x, 1, &y, 1, TRUE) != CSTR_EQUAL) return false;
    }
    return shorter.size() == longer.size() || folded(longer[shorter.size()]) == L'/' || folded(shorter.back()) == L'/';
}

bool IsLargeDeflatedMember(const ALEntry& entry) {
    const ALDecompressor* engine = entry.decompressor();
    const ALStorage* storage = entry.storage();
    return !entry.IsEncrypted() && engine && engine->TypeCode() >= AL_ENGINE_DEFLATE &&
           engine->TypeCode() <= AL_ENGINE_DEFLATE_LAST && entry.compressedSize >= kAheadMinimum && storage &&
           storage->TypeCode() == AL_STORAGE_FILE && !storage->attributes.IsDirectory();
}

}  // namespace

bool ALInflateAhead::Suits(const ALEntry& current, const ALEntry& next) {
    return IsLargeDeflatedMember(next) && !NamesMeet(current.storage()->name.Text(), next.storage()->name.Text());
}

ALInflateAhead::ALInflateAhead(ALArchive& archive, const wchar_t* archiveName, ALEntry& entry)
    : archive_(archive), archiveName_(archiveName), entry_(entry) {
    PrepareInflater();
    // Without a thread the engine finds no result and extracts the member itself.
    thread_.reset(CreateThread(nullptr, 0, &ALInflateAhead::Run, this, 0, nullptr));
}

ALInflateAhead::~ALInflateAhead() { Discard(); }

void ALInflateAhead::Progress(long position, ALStorage& input) {
    positions_.push_back(position);
    ++buffers_;
    // The next read fails, as the engine's own does after a cancel.
    if (stopRequested_ && input.status >= 0) input.status.Set(AL_USER_ABORT);
}

DWORD WINAPI ALInflateAhead::Run(void* self) {
    static_cast<ALInflateAhead*>(self)->Inflate();
    return 0;
}

void ALInflateAhead::Inflate() {
    ALStorage& target = *entry_.storage();
    ALFile input(archiveName_);
    ALFile output(target.name.Name());
    output.SetFolderOf(target);
    ALPkDecompressor engine;  // the member is deflated, and the option bits mean nothing to inflating
    input.pumpsMessages = output.pumpsMessages = false;  // the window belongs to the engine's thread
    output.stamp = target.stamp;
    output.attributes = target.attributes;
    // The engine's own steps: seek, skip the local header, create, inflate, close, check.
    if (input.Open() < 0 || input.Seek(entry_.localHeaderOffset) < 0 || archive_.SkipLocalHeader(input) < 0) return;
    output.Create(target.Size());
    if (output.status < 0) return;
    created_ = true;
    objectStart_ = input.Tell();
    input.SetMonitor(this);
    engine.Decompress(input, output, entry_.compressedSize);
    output.Close();
    const uint32_t actual = output.FinishCrc();
    endPosition_ = input.Tell();
    input.SetMonitor(nullptr);
    fileSize_ = output.Size();
    complete_ = engine.status >= 0 && input.status >= 0 && output.status >= 0 && actual == entry_.crc;
}

void ALInflateAhead::Wait() {
    if (!thread_) return;
    // Woken by the thread's end, or by a message for the window, which is handled at once.
    HANDLE thread = thread_.get();
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, kPumpedMessages) == WAIT_OBJECT_0 + 1)
        ALPumpWindowMessages();
    thread_.reset();
}

bool ALInflateAhead::Finish() {
    Wait();
    return complete_;
}

void ALInflateAhead::Discard() {
    Stop();
    Wait();
    if (created_) {
        const wchar_t* path = entry_.storage()->Path();
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);  // a read-only member is made read-only on closing
        DeleteFileW(path);
        created_ = false;
    }
}

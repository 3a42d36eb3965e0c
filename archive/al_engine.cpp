#include "archive/al_engine.h"

#include <windows.h>

#include <new>

#include <zlib.h>

#include "archive/al_archive.h"
#include "archive/al_storage.h"

// ---- Engines -----------------------------------------------------------------------------

int ALEngine::WriteExtraData(ALStorage& storage) { return storage.WriteShortBE(0); }

int ALEngine::ReadExtraData(ALStorage& storage) {
    short length;
    storage.ReadShortBE(length);
    return storage.status;
}

int ALDecompressor::Prepare(ALStorage& input, ALStorage& output, bool& openedInput, bool& createdOutput) {
    openedInput = createdOutput = false;
    if (!input.HasBuffer()) {
        input.Open();
        openedInput = true;
    }
    if (!output.HasBuffer()) {
        output.Create();
        createdOutput = true;
    }
    if (input.status < 0) return status.Copy(input.status), status;
    if (output.status < 0) return status.Copy(output.status), status;
    return status;
}

int ALDecompressor::Finish(ALStorage& input, ALStorage& output, bool openedInput, bool createdOutput) {
    if (openedInput) input.Close();
    if (createdOutput) output.Close();
    if (input.status < 0) return status.Copy(input.status), status;
    if (output.status < 0) return status.Copy(output.status), status;
    return status;
}

ALPkDecompressor::ALPkDecompressor(int option) : ALDecompressor(AL_ENGINE_DEFLATE, "Inflate"), option_(option) {}

ALDecompressor* ALPkDecompressor::CloneFor(int typeCode) const {
    if (typeCode == AL_ENGINE_COPY || typeCode == AL_ENGINE_STORED) return new (std::nothrow) ALCopyDecompressor;
    if (typeCode == AL_ENGINE_ANY) return new (std::nothrow) ALPkDecompressor(0);
    if (typeCode >= AL_ENGINE_DEFLATE && typeCode <= AL_ENGINE_DEFLATE_LAST)
        return new (std::nothrow) ALPkDecompressor(typeCode - AL_ENGINE_DEFLATE);
    return nullptr;
}

int ALPkDecompressor::Decompress(ALStorage& input, ALStorage& output, long length) {
    // -1 reads to the end of the input. A stored size of 2 GiB or more turns negative in a
    // 32-bit long, and inflate would be handed the input buffer with that as its length.
    if (length < -1) return status.Set(AL_ILLEGAL_PARAMETER, "Compressed length %ld out of range", length);
    bool openedInput, createdOutput;
    if (Prepare(input, output, openedInput, createdOutput) < 0) {
        Finish(input, output, openedInput, createdOutput);
        return status;
    }
    output.StartCrc();
    output.Flush();

    z_stream stream{};
    long space;
    unsigned char* out = output.WriteSpace(space);
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(space);
    if (inflateInit2(&stream, -15) == Z_OK) {
        long remaining = length;
        for (;;) {
            if (stream.avail_in == 0) {
                long available;
                const unsigned char* in = input.UnreadBytes(available);
                if (available <= 0 && input.RefillBuffer(input.BufferOffset()) > 0) in = input.UnreadBytes(available);
                if (available < 0) available = 0;
                if (remaining != -1) {
                    if (available > remaining) available = remaining;
                    remaining -= available;
                }
                input.MarkRead(available);
                stream.next_in = const_cast<Bytef*>(in);
                stream.avail_in = static_cast<uInt>(available);
            }
            int result = inflate(&stream, Z_NO_FLUSH);
            long produced = space - static_cast<long>(stream.avail_out);
            if (produced > 0) {
                output.SetPending(produced);
                if (output.Flush() < 0) break;
                stream.next_out = out;
                stream.avail_out = static_cast<uInt>(space);
            }
            // Z_OK means progress was made (output, or input taken in without output yet, as
            // with block headers at the end of a buffer); anything else ends the member.
            if (result != Z_OK) break;
        }
        inflateEnd(&stream);
    }
    return Finish(input, output, openedInput, createdOutput);
}

ALDecompressor* ALCopyDecompressor::CloneFor(int typeCode) const {
    if (typeCode == AL_ENGINE_COPY || typeCode == AL_ENGINE_ANY) return new (std::nothrow) ALCopyDecompressor;
    return nullptr;
}

int ALCopyDecompressor::Decompress(ALStorage& input, ALStorage& output, long length) {
    bool openedInput, createdOutput;
    if (Prepare(input, output, openedInput, createdOutput) < 0) {
        Finish(input, output, openedInput, createdOutput);
        return status;
    }
    output.StartCrc();
    // Block-wise, straight from the input buffer: the same bytes as a ReadChar/WriteChar loop.
    long remaining = length;
    while (remaining != 0) {
        long available;
        const unsigned char* in = input.UnreadBytes(available);
        if (available <= 0) {
            if (input.RefillBuffer(input.BufferOffset()) <= 0) break;
            in = input.UnreadBytes(available);
        }
        if (remaining != -1 && available > remaining) available = remaining;
        long written = output.WriteBuffer(in, available);
        input.MarkRead(written);
        if (written != available) break;
        if (remaining != -1) remaining -= available;
    }
    return Finish(input, output, openedInput, createdOutput);
}

// ---- Monitors ----------------------------------------------------------------------------

int ALPercent(uint32_t done, uint32_t divisor) {
    if (divisor == 0) return -1;
    if (divisor < 1000000u) return static_cast<int>(done * 100u / divisor);
    return static_cast<int>(done / (divisor / 100u));
}

ALMonitor::ALMonitor(int modeWord) : messagesOn((modeWord & 0xFF00) != 0), mode(modeWord & 0xFF) {}

void ALMonitor::Progress(long position, ALStorage& storage) {
    bytesDone = static_cast<uint32_t>(position - objectStart);
    if (objectSize == -1) objectSize = storage.Size();
    uint32_t divisor = static_cast<uint32_t>(objectSize);
    if (mode == AL_MONITOR_JOB) {
        bytesDone += completedBytes;
        divisor = jobSize;
    }
    percent = ALPercent(bytesDone, divisor);
}

void ALMonitor::ArchiveOperation(int, ALArchive*, ALEntry*) {}
void ALMonitor::Message(int, const wchar_t*, ...) {}

ALSimpleMonitor::ALSimpleMonitor(Callback callback, int modeWord)
    : ALMonitor(modeWord), callback_(std::move(callback)) {}

void ALSimpleMonitor::Progress(long position, ALStorage& storage) {
    ALMonitor::Progress(position, storage);
    objectPercent = ALPercent(static_cast<uint32_t>(position - objectStart), static_cast<uint32_t>(objectSize));
    if (callback_) callback_(nullptr, objectPercent, percent);
}

void ALSimpleMonitor::ArchiveOperation(int kind, ALArchive*, ALEntry* entry) {
    if (kind != AL_EXTRACTION_START && kind != AL_INSERTION_START && kind != AL_COPY_START) return;
    if (callback_) callback_(entry && entry->storage() ? entry->storage()->name.Name() : nullptr, -1, -1);
}

void ALSimpleMonitor::Message(int kind, const wchar_t* format, ...) {
    if (!messagesOn) return;
    va_list args;
    va_start(args, format);
    std::wstring argument = ALFormatV(256, format, args);  // 512 bytes of wide text
    va_end(args);
    const wchar_t* pattern;
    switch (kind) {
        case AL_DIRECTORY_ENTRY: pattern = L"Directory entry: %s"; break;
        case AL_WILD_CARD_MATCH: pattern = L"Wild card match: %s"; break;
        case AL_START_SORT: pattern = L"Sorting entries"; break;
        case AL_END_SORT: pattern = L"Done sorting entries"; break;
        case AL_SORT_PROGRESS: pattern = L"Sorting is %s complete"; break;
        default: pattern = L"Bad monitor message type!!!"; break;
    }
    std::wstring text = ALFormat(512, pattern, argument.c_str());
    if (callback_) callback_(text.c_str(), -1, -1);
}

namespace {
// Built at start-up rather than on first use: a function-local static would need the
// runtime's thread-safe guard, which links a threads library into the installer stub.
ALMonitor defaultMonitor(AL_MONITOR_OBJECTS);
}  // namespace

ALMonitor& ALDefaultMonitor() { return defaultMonitor; }

void ALPumpMessages() {
    // Every buffer of 4096 bytes reports progress; asking the window system for messages
    // that often costs more than the extraction itself. A pump every few milliseconds keeps
    // the dialog just as responsive.
    constexpr ULONGLONG kPumpInterval = 20;
    static ULONGLONG lastPump = 0;
    ULONGLONG now = GetTickCount64();
    if (lastPump != 0 && now - lastPump < kPumpInterval) return;
    lastPump = now;
    ALPumpWindowMessages();
}

void ALPumpWindowMessages() {
    // Keyboard and mouse input is left to the window's own pump: a dialog's keys need
    // IsDialogMessage, and taken here Enter never reached the dialog's default button.
    // Painting, timers, posted and sent messages keep the window alive.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

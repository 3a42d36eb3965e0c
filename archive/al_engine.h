#pragma once
// Extraction engines (raw inflate, plain copy) and progress monitors.
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

#include "archive/al_status.h"

class ALStorage;
class ALArchive;
class ALEntry;

// Type codes of engines: 100 = stored, 108-111 = deflate with option 0-3.
enum ALEngineType : int {
    AL_ENGINE_ANY = -1,
    AL_ENGINE_COPY = 0,
    AL_ENGINE_STORED = 100,
    AL_ENGINE_DEFLATE = 108,
    AL_ENGINE_DEFLATE_LAST = 111,
};

class ALEngine {
public:
    ALEngine(int typeCode, const char* displayName) : typeCode_(typeCode), displayName_(displayName) {}
    virtual ~ALEngine() = default;
    ALEngine(const ALEngine&) = delete;
    ALEngine& operator=(const ALEngine&) = delete;

    virtual int WriteExtraData(ALStorage& storage);
    virtual int ReadExtraData(ALStorage& storage);
    // A new engine of this family for the type code, or none.
    virtual ALEngine* CloneFor(int typeCode) const = 0;

    int TypeCode() const { return typeCode_; }
    const char* DisplayName() const { return displayName_; }

    ALErrorState status;

protected:
    int typeCode_;
    const char* displayName_;
};

class ALDecompressor : public ALEngine {
public:
    using ALEngine::ALEngine;
    ALDecompressor* CloneFor(int typeCode) const override = 0;
    // Decodes from input into output; length -1 means until the end of the input.
    virtual int Decompress(ALStorage& input, ALStorage& output, long length = -1) = 0;

protected:
    // Opens the input / creates the output when they have no buffer yet; remembers which.
    int Prepare(ALStorage& input, ALStorage& output, bool& openedInput, bool& createdOutput);
    int Finish(ALStorage& input, ALStorage& output, bool openedInput, bool createdOutput);
};

class ALPkDecompressor : public ALDecompressor {
public:
    explicit ALPkDecompressor(int option = 0);
    ALDecompressor* CloneFor(int typeCode) const override;
    int Decompress(ALStorage& input, ALStorage& output, long length = -1) override;
    int Option() const { return option_; }

private:
    int option_;  // deflate's speed hint from the flag bits; decoding ignores it
};

class ALCopyDecompressor : public ALDecompressor {
public:
    ALCopyDecompressor() : ALDecompressor(AL_ENGINE_COPY, "Binary copy") {}
    ALDecompressor* CloneFor(int typeCode) const override;
    int Decompress(ALStorage& input, ALStorage& output, long length = -1) override;
};

// ---- Monitors ----------------------------------------------------------------------------

enum ALMonitorMode : int { AL_MONITOR_OBJECTS = 0, AL_MONITOR_JOB = 1 };
constexpr int AL_SEND_MESSAGES = 0x100;  // any of bits 8-15 of the constructor word

enum ALOperation : int {
    AL_EXTRACTION_OPEN = 0,
    AL_EXTRACTION_CLOSE = 1,
    AL_EXTRACTION_START = 2,
    AL_EXTRACTION_END = 3,
    AL_INSERTION_START = 4,  // kinds 4 and 6 name an entry like 2; nothing issues them here
    AL_COPY_START = 6,
    AL_READ_DIRECTORY_START = 10,
    AL_READ_DIRECTORY_END = 11,
};

enum ALMessageKind : int {
    AL_DIRECTORY_ENTRY = 12,
    AL_WILD_CARD_MATCH = 13,
    AL_START_SORT = 14,
    AL_END_SORT = 15,
    AL_SORT_PROGRESS = 16,
};

// Percent of `done` out of `divisor`, in unsigned 32-bit arithmetic; -1 when the divisor is 0.
int ALPercent(uint32_t done, uint32_t divisor);

class ALMonitor {
public:
    explicit ALMonitor(int modeWord = AL_MONITOR_OBJECTS);
    virtual ~ALMonitor() = default;

    virtual void Progress(long position, ALStorage& storage);
    virtual void ArchiveOperation(int kind, ALArchive* archive, ALEntry* entry);
    virtual void Message(int kind, const wchar_t* format, ...);

    uint32_t jobSize = 0;
    uint32_t completedBytes = 0;
    long objectSize = -1;
    long objectStart = 0;
    uint32_t bytesDone = 0;
    int percent = -1;
    bool messagesOn;
    int mode;
};

// Forwards progress, entry starts and messages to one callback: (text or none, object percent,
// job percent), -1 meaning "no figure".
class ALSimpleMonitor : public ALMonitor {
public:
    using Callback = std::function<void(const wchar_t* text, int objectPercent, int jobPercent)>;
    explicit ALSimpleMonitor(Callback callback, int modeWord = AL_MONITOR_JOB);

    void Progress(long position, ALStorage& storage) override;
    void ArchiveOperation(int kind, ALArchive* archive, ALEntry* entry) override;
    void Message(int kind, const wchar_t* format, ...) override;

    int objectPercent = -1;

private:
    Callback callback_;
};

// The monitor of rings built without one: object mode, messages off.
ALMonitor& ALDefaultMonitor();

// Dispatches the thread's waiting window messages, so that a dialog stays alive while the
// engine works on its thread.
void ALPumpMessages();
// The same pump at once, for a thread woken because messages arrived.
void ALPumpWindowMessages();

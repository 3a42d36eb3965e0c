#pragma once
// Inflates the next large member on a second thread while the engine extracts the current
// one: inflating is what a payload of large files waits for, and two cores halve it. The
// member goes to its file just as the engine would write it, and the progress steps it would
// report are recorded. The engine then reports those steps in their order and takes the file
// as extracted; when anything went wrong, or the user cancelled, it throws the attempt away
// and extracts the member itself, so that every failure is reported as it always was.
#include <windows.h>

#include <atomic>
#include <vector>

#include "archive/al_archive.h"
#include "common/unique_handle.h"

class ALInflateAhead : private ALMonitor {
public:
    // Whether `next` may be inflated while `current` is extracted: a large deflated member
    // the engine can decode, and neither file in the other's way.
    static bool Suits(const ALEntry& current, const ALEntry& next);

    // Starts inflating `entry` of the archive in the file named `archiveName`.
    ALInflateAhead(ALArchive& archive, const wchar_t* archiveName, ALEntry& entry);
    ~ALInflateAhead();
    ALInflateAhead(const ALInflateAhead&) = delete;
    ALInflateAhead& operator=(const ALInflateAhead&) = delete;

    ALEntry& Entry() const { return entry_; }
    // Waits for the thread, keeping the window messages flowing; true when the member was
    // written whole and its checksum matched.
    bool Finish();
    // Asks the thread to stop at its next buffer: its result is not wanted.
    void Stop() { stopRequested_ = true; }
    // Stops the thread and removes what it wrote, so that the engine's own extraction starts
    // afresh.
    void Discard();
    // Buffers the thread has inflated; it may read them while the thread runs.
    long BuffersInflated() const { return buffers_; }
    // Leaves the file for good: the engine has taken it as extracted.
    void KeepFile() { created_ = false; }

    long ObjectStart() const { return objectStart_; }
    long EndPosition() const { return endPosition_; }
    long FileSize() const { return fileSize_; }
    // The archive positions the engine's monitor would have been given, in order.
    const std::vector<long>& ProgressPositions() const { return positions_; }

private:
    // Records where the archive stands at each progress step.
    void Progress(long position, ALStorage& storage) override;
    static DWORD WINAPI Run(void* self);
    void Inflate();
    void Wait();

    ALArchive& archive_;
    const wchar_t* archiveName_;  // the engine's archive storage keeps it
    ALEntry& entry_;
    std::vector<long> positions_;
    bool created_ = false;
    bool complete_ = false;
    long objectStart_ = 0;
    long endPosition_ = 0;
    long fileSize_ = 0;
    std::atomic<bool> stopRequested_{false};
    std::atomic<long> buffers_{0};
    velmora::UniqueKernelHandle thread_;
};

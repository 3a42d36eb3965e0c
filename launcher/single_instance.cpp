#include "launcher/single_instance.h"

#include <sddl.h>

#include <vector>

#include "common/decimal_text.h"
#include "common/system_error_text.h"
#include "launcher/diagnostic_trail.h"
#include "launcher/file_system.h"
#include "launcher/launcher.h"
#include "launcher/launcher_command_line.h"
#include "launcher/launcher_errors.h"

namespace velmora::launcher {
namespace {

// A second start waits this long in all for the running one to take its hand-over.
constexpr ULONGLONG kHandOverDeadlineMs = 20000;  // the refusal's text names it
// One second start may hold the running instance this long (a stalled one is dropped).
constexpr ULONGLONG kServeDeadlineMs = 5000;
// Hand-overs kept until the Java program reads them (a file opened while it starts).
constexpr size_t kProgramQueueLimit = 64;
// The running instance's first words: its own process ID and its VM's (0 before it runs).
constexpr DWORD kHelloBytes = 8;
constexpr DWORD kAckBytes = 4;

// The account a process runs as; empty when it cannot be read (another user's process).
std::wstring userSidText(HANDLE process) {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(process, TOKEN_QUERY, token.receive())) return {};
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    UniqueLocalMemory owner(text);
    return text;
}

// Objects that admit the user alone: the pipes' names are visible to every session.
class OwnerOnlySecurity {
public:
    explicit OwnerOnlySecurity(const std::wstring& sid) {
        const std::wstring sddl = L"D:P(A;;GA;;;" + sid + L")";
        void* descriptor = nullptr;
        if (!sid.empty() &&
            ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
            descriptor_.reset(descriptor);
        attributes_.lpSecurityDescriptor = descriptor_.get();
    }
    bool valid() const { return descriptor_.valid(); }
    SECURITY_ATTRIBUTES* get() { return &attributes_; }

private:
    UniqueLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// One overlapped operation at a time on a pipe end; every wait has a deadline and ends early
// when `other` is signalled.
class PipeIo {
public:
    enum class Result { Done, Pending, Failed, Other };

    explicit PipeIo(HANDLE pipe) : pipe_(pipe), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        overlapped_.hEvent = event_.get();
    }
    ~PipeIo() { cancel(); }
    PipeIo(const PipeIo&) = delete;
    PipeIo& operator=(const PipeIo&) = delete;
    bool valid() const { return event_.valid(); }
    HANDLE event() const { return event_.get(); }
    bool pending() const { return pending_; }

    // All `size` bytes, or nothing usable.
    Result transfer(bool write, char* bytes, DWORD size, ULONGLONG deadline, HANDLE other) {
        while (size > 0) {
            Result started = start(write, bytes, size);
            DWORD done = done_;
            if (started == Result::Pending) {
                const Result waited = wait(deadline, other);
                if (waited != Result::Done) return waited;
                if (!finish(done)) return Result::Failed;
            } else if (started != Result::Done) {
                return started;
            }
            if (done == 0) return Result::Failed;
            bytes += done;
            size -= done;
        }
        return Result::Done;
    }

    // Starts a read or write: Done (done_ holds the count), Pending or Failed.
    Result start(bool write, const char* bytes, DWORD size) {
        ::ResetEvent(event_.get());
        done_ = 0;
        const BOOL ok = write ? ::WriteFile(pipe_, bytes, size, &done_, &overlapped_)
                              : ::ReadFile(pipe_, const_cast<char*>(bytes), size, &done_, &overlapped_);
        return ok ? Result::Done : begun();
    }
    Result connect() {
        ::ResetEvent(event_.get());
        if (::ConnectNamedPipe(pipe_, &overlapped_) || ::GetLastError() == ERROR_PIPE_CONNECTED) return Result::Done;
        return begun();
    }
    // After the event fired.
    bool finish(DWORD& done) {
        pending_ = false;
        done = 0;
        return ::GetOverlappedResult(pipe_, &overlapped_, &done, FALSE) != FALSE;
    }
    void cancel() {
        if (!pending_) return;
        ::CancelIoEx(pipe_, &overlapped_);
        DWORD ignored = 0;
        ::GetOverlappedResult(pipe_, &overlapped_, &ignored, TRUE);  // the buffer must outlive the operation
        pending_ = false;
    }

private:
    Result begun() {
        if (::GetLastError() != ERROR_IO_PENDING) return Result::Failed;
        pending_ = true;
        return Result::Pending;
    }
    Result wait(ULONGLONG deadline, HANDLE other) {
        const ULONGLONG now = ::GetTickCount64();
        HANDLE handles[2] = {event_.get(), other};
        const DWORD result = ::WaitForMultipleObjects(other ? 2 : 1, handles, FALSE,
                                                      now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
        if (result == WAIT_OBJECT_0) return Result::Done;
        cancel();
        return result == WAIT_OBJECT_0 + 1 || result == WAIT_ABANDONED_0 + 1 ? Result::Other : Result::Failed;
    }

    HANDLE pipe_;
    UniqueKernelHandle event_;
    OVERLAPPED overlapped_{};
    DWORD done_ = 0;
    bool pending_ = false;
};

bool acquired(HANDLE mutex, DWORD waitMs) {
    const DWORD result = ::WaitForSingleObject(mutex, waitMs);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

enum class Attempt { HandedOver, BecameFirst, Retry };

// One try at the running instance's pipe. A broken pipe or a mutex that comes free means the
// running instance has gone (or is going): the caller tries again or becomes the first.
// Pipes are visible machine-wide: one that another account created first gets nothing.
bool servedByUser(HANDLE pipe, const std::wstring& sid) {
    ULONG serverId = 0;
    if (!::GetNamedPipeServerProcessId(pipe, &serverId)) return false;
    UniqueKernelHandle server(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId));
    return server && userSidText(server.get()) == sid;
}

Attempt attemptHandOver(const InstanceNames& names, std::string& frame, HANDLE mutex, ULONGLONG deadline) {
    const std::wstring& pipeName = names.pipe;
    if (acquired(mutex, 0)) return Attempt::BecameFirst;
    // Identification only: a server that is not the running instance cannot act as this user.
    UniqueFileHandle pipe(::CreateFileW(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (!pipe) {
        if (::GetLastError() == ERROR_PIPE_BUSY) {
            ::WaitNamedPipeW(pipeName.c_str(), 250);
            return Attempt::Retry;
        }
        return acquired(mutex, 50) ? Attempt::BecameFirst : Attempt::Retry;  // not there yet, or just gone
    }
    if (!servedByUser(pipe.get(), names.userSid))
        throw TerminalError(L"single instance: " + pipeName + L" is not this user's: nothing is handed over");
    PipeIo io(pipe.get());
    if (!io.valid()) return Attempt::Retry;
    auto step = [&](bool write, char* bytes, DWORD size) {
        const PipeIo::Result result = io.transfer(write, bytes, size, deadline, mutex);
        if (result == PipeIo::Result::Done) return Attempt::HandedOver;
        if (result == PipeIo::Result::Other) return Attempt::BecameFirst;
        return acquired(mutex, 50) ? Attempt::BecameFirst : Attempt::Retry;
    };
    char hello[kHelloBytes];
    if (Attempt a = step(false, hello, kHelloBytes); a != Attempt::HandedOver) return a;
    const auto* ids = reinterpret_cast<const unsigned char*>(hello);
    // The running instance brings its window in front of this start's.
    if (const DWORD vm = frameBodyLength(ids + 4)) ::AllowSetForegroundWindow(vm);
    ::AllowSetForegroundWindow(frameBodyLength(ids));
    if (Attempt a = step(true, frame.data(), static_cast<DWORD>(frame.size())); a != Attempt::HandedOver) return a;
    char ack[kAckBytes];
    return step(false, ack, kAckBytes);
}

HANDLE createPipe(const std::wstring& name, DWORD direction, DWORD outBuffer, SECURITY_ATTRIBUTES* security) {
    for (int attempt = 0;; ++attempt) {
        HANDLE pipe = ::CreateNamedPipeW(name.c_str(), direction | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                         outBuffer, 4096, 0, security);
        const DWORD error = ::GetLastError();
        // An instance that has just ended may still be closing its pipes.
        if (pipe != INVALID_HANDLE_VALUE || attempt == 20 || (error != ERROR_ACCESS_DENIED && error != ERROR_PIPE_BUSY))
            return pipe;
        ::Sleep(100);
    }
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER)) return TRUE;
    search->found = window;  // the first in Z order: the one the user saw last
    return FALSE;
}

void bringForward(DWORD processId) {
    WindowSearch search{processId, nullptr};
    if (processId) ::EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        trail(L"single instance: the program shows no window to bring forward");
        return;
    }
    if (::IsIconic(search.found)) ::ShowWindow(search.found, SW_RESTORE);
    const bool front = ::SetForegroundWindow(search.found) != FALSE;
    trail(std::wstring(L"single instance: the program's window brought forward") + (front ? L"" : L" (the system kept the foreground)"));
}

void dropped(const std::wstring& why) { trail(L"single instance: hand-over dropped: " + why); }

}  // namespace

struct FirstInstance::Channel {
    InstanceNames names;
    UniqueFileHandle clientPipe;
    UniqueFileHandle programPipe;
    UniqueKernelHandle stop{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle vmOwner;
    std::atomic<HANDLE> vm{nullptr};
    std::vector<std::string> queue;  // the serving thread's alone; a few at most

    static DWORD WINAPI threadMain(void* channel) { return static_cast<Channel*>(channel)->run(); }

    bool stopped() const { return ::WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0; }

    DWORD run() {
        PipeIo client(clientPipe.get());
        PipeIo program(programPipe.get());
        if (!client.valid() || !program.valid() || !stop) return 0;
        enum class State { Unconnected, Connecting, Connected, Writing, Broken };
        State state = programPipe ? State::Unconnected : State::Broken;
        auto relay = [&] {
            for (;;) {
                if (state == State::Unconnected) {
                    const PipeIo::Result result = program.connect();
                    if (result == PipeIo::Result::Pending) state = State::Connecting;
                    if (result != PipeIo::Result::Done) {
                        if (result == PipeIo::Result::Failed) state = State::Broken;
                        return;
                    }
                    state = State::Connected;
                }
                if (state != State::Connected || queue.empty()) return;
                const std::string& frame = queue.front();
                const PipeIo::Result result = program.start(true, frame.data(), static_cast<DWORD>(frame.size()));
                if (result == PipeIo::Result::Pending) {
                    state = State::Writing;
                    return;
                }
                if (result == PipeIo::Result::Done) {
                    queue.erase(queue.begin());
                } else {  // the program closed its end: the next connection gets the frame
                    ::DisconnectNamedPipe(programPipe.get());
                    state = State::Unconnected;
                }
            }
        };
        bool listening = false;
        while (!stopped()) {
            if (!listening) {
                const PipeIo::Result result = client.connect();
                if (result == PipeIo::Result::Done) {
                    serve(client);
                    ::DisconnectNamedPipe(clientPipe.get());
                    continue;
                }
                if (result == PipeIo::Result::Failed) {  // a second start came and went at once
                    ::DisconnectNamedPipe(clientPipe.get());
                    ::WaitForSingleObject(stop.get(), 100);
                    continue;
                }
                listening = true;
            }
            relay();
            HANDLE handles[3] = {stop.get(), client.event(), program.event()};
            const DWORD count = program.pending() ? 3 : 2;
            const DWORD fired = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
            if (fired == WAIT_OBJECT_0 + 1) {
                DWORD ignored = 0;
                listening = false;
                if (client.finish(ignored)) serve(client);
                ::DisconnectNamedPipe(clientPipe.get());
            } else if (fired == WAIT_OBJECT_0 + 2) {
                DWORD ignored = 0;
                const bool ok = program.finish(ignored);
                if (ok && state == State::Writing) queue.erase(queue.begin());
                if (!ok) ::DisconnectNamedPipe(programPipe.get());
                state = ok ? State::Connected : State::Unconnected;
            } else {
                break;
            }
        }
        return 0;
    }

    // One second start: hello, its frame, the window forward, the frame queued, the
    // acknowledgement. Anything malformed is dropped and the start left to time out.
    void serve(PipeIo& io) {
        const ULONGLONG deadline = ::GetTickCount64() + kServeDeadlineMs;
        const HANDLE vmProcess = vm.load();
        const DWORD vmId = vmProcess ? ::GetProcessId(vmProcess) : 0;
        std::string hello;
        putLittleEndian32(hello, ::GetCurrentProcessId());
        putLittleEndian32(hello, vmId);
        auto transfer = [&](bool write, char* bytes, DWORD size) {
            return io.transfer(write, bytes, size, deadline, stop.get()) == PipeIo::Result::Done;
        };
        unsigned char header[4];
        if (!transfer(true, hello.data(), kHelloBytes) || !transfer(false, reinterpret_cast<char*>(header), 4)) {
            trail(L"single instance: a second start left before its hand-over");
            return;
        }
        const uint32_t length = frameBodyLength(header);
        if (length > kHandOverBodyLimit) {
            dropped(L"its body of " + decimalText(length) + L" bytes is over the limit");
            return;
        }
        std::string frame(reinterpret_cast<const char*>(header), 4);
        frame.resize(4 + length);
        if (!transfer(false, frame.data() + 4, length)) {
            dropped(L"it ended before its body");
            return;
        }
        const ParsedHandOver parsed = parseHandOverBody(std::string_view(frame).substr(4));
        if (!parsed.problem.empty()) {
            dropped(parsed.problem);
            return;
        }
        if (vmProcess && ::WaitForSingleObject(vmProcess, 0) != WAIT_TIMEOUT) {
            trail(L"single instance: the program has ended: the hand-over is left to the start that sent it");
            return;
        }
        trail(L"single instance: hand-over of " + decimalText(parsed.handOver.arguments.size()) + L" arguments from " +
              parsed.handOver.folder);
        bringForward(vmId);
        if (queue.size() < kProgramQueueLimit)
            queue.push_back(std::move(frame));
        else
            dropped(L"the program has not read the ones before");
        char ack[kAckBytes] = {};
        if (!transfer(true, ack, kAckBytes)) return;
        // Disconnecting discards what the start has not read yet: wait for it to close its end.
        char rest;
        transfer(false, &rest, 1);
    }
};

InstanceNames currentInstanceNames(const std::wstring& applicationId, const std::wstring& programPath) {
    std::wstring folded = programPath;
    if (!folded.empty()) ::CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    const std::wstring sid = userSidText(::GetCurrentProcess());
    if (sid.empty()) throw TerminalError(L"single instance: the user's account cannot be read: " + lastErrorText());
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    return instanceNames(instanceIdentity(applicationId, folded), session, sid);
}

FirstInstance::FirstInstance(UniqueKernelHandle mutex, const InstanceNames& names)
    : mutex_(std::move(mutex)), channel_(std::make_unique<Channel>()) {
    channel_->names = names;
    OwnerOnlySecurity security(names.userSid);
    channel_->clientPipe.reset(createPipe(names.pipe, PIPE_ACCESS_DUPLEX, 4096, security.get()));
    if (!channel_->clientPipe) {
        trail(L"single instance: " + names.pipe + L" cannot be created (" + lastErrorText() + L"): no hand-over is taken");
        return;
    }
    channel_->programPipe.reset(createPipe(names.programPipe, PIPE_ACCESS_OUTBOUND, 65536, security.get()));
    if (!channel_->programPipe)
        trail(L"single instance: " + names.programPipe + L" cannot be created (" + lastErrorText() + L"): nothing is relayed");
    thread_.reset(::CreateThread(nullptr, 0, &Channel::threadMain, channel_.get(), 0, nullptr));
    trail(L"single instance: the first start, taking hand-overs on " + names.pipe);
}

FirstInstance::~FirstInstance() {
    if (thread_) {
        ::SetEvent(channel_->stop.get());
        ::WaitForSingleObject(thread_.get(), INFINITE);  // every wait of the thread ends on the event
    }
    channel_.reset();
    ::ReleaseMutex(mutex_.get());  // last: a second start that finds it free finds no pipe left
}

std::wstring FirstInstance::programPipeOption() const {
    return channel_->programPipe && thread_ ? L"-Dkiv.instance.pipe=" + channel_->names.programPipe : std::wstring();
}

void FirstInstance::setVmProcess(HANDLE process) {
    HANDLE copy = nullptr;
    if (!process || !::DuplicateHandle(::GetCurrentProcess(), process, ::GetCurrentProcess(), &copy,
                                       SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0))
        return;
    channel_->vmOwner.reset(copy);
    channel_->vm.store(copy);
}

std::unique_ptr<FirstInstance> claimOrHandOver(const InstanceNames& names, const HandOver& handOver) {
    OwnerOnlySecurity security(names.userSid);
    if (!security.valid()) throw TerminalError(L"single instance: no access list for the user: " + lastErrorText());
    UniqueKernelHandle mutex(::CreateMutexW(security.get(), TRUE, names.mutex.c_str()));
    const DWORD error = ::GetLastError();
    if (!mutex) throw TerminalError(L"single instance: " + names.mutex + L" cannot be opened: " + systemErrorText(error));
    if (error == ERROR_ALREADY_EXISTS) {
        std::string frame = composeHandOverFrame(handOver);
        if (frame.empty()) throw TerminalError(L"the arguments are too long to hand over to the running instance");
        trail(L"single instance: " + names.mutex + L" is held: handing over to the running instance");
        const ULONGLONG deadline = ::GetTickCount64() + kHandOverDeadlineMs;
        for (;;) {
            const Attempt attempt = attemptHandOver(names, frame, mutex.get(), deadline);
            if (attempt == Attempt::HandedOver) {
                trail(L"single instance: handed over, this start ends");
                return nullptr;
            }
            if (attempt == Attempt::BecameFirst) break;
            if (::GetTickCount64() >= deadline)
                throw TerminalError(L"the application is already running but did not take this start's arguments within 20 seconds");
        }
        trail(L"single instance: the running instance has ended");
    }
    return std::make_unique<FirstInstance>(std::move(mutex), names);
}

namespace {

// What the program gets of the user's arguments: the packaged fixed ones it has already.
std::vector<std::wstring> handOverArguments(const LauncherCommandLine& commandLine, bool plain) {
    if (plain) return plainProgramArguments(commandLine.systemArguments);
    if (commandLine.arguments.size() <= 1) return {};
    return {commandLine.arguments.begin() + 1, commandLine.arguments.end()};
}

}  // namespace

bool joinRunningInstance(Launcher& launcher, const std::wstring& startFolder, std::unique_ptr<FirstInstance>& first) {
    const PropertySet& kiv = launcher.appProperties();
    if (!kiv.getFlag(L"kiv.single.instance")) return false;
    HandOver handOver{startFolder, handOverArguments(launcher.commandLine(), kiv.getFlag(L"kiv.nl.java.arguments.plain"))};
    first = claimOrHandOver(currentInstanceNames(kiv.getProperty(L"kiv.application.id"), launcher.programPath()), handOver);
    if (!first) return true;
    launcher.setFirstInstance(first.get());
    return false;
}

}  // namespace velmora::launcher

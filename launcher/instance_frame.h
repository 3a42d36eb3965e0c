#pragma once
// The hand-over of a second start to the running instance: the frame both of its pipes carry,
// and the names of the objects that find the running instance. Pure text and bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

// What a second start hands over: the folder it was started in and the program's arguments.
struct HandOver {
    std::wstring folder;
    std::vector<std::wstring> arguments;
    bool operator==(const HandOver&) const = default;
};

// A frame: a little-endian u32 body length, then the body: a u32 argument count, then the
// folder and each argument, each as a u32 byte length and that many bytes of UTF-8 (no NUL).
inline constexpr uint32_t kHandOverBodyLimit = 256 * 1024;

// The whole frame; empty when the body would exceed kHandOverBodyLimit.
std::string composeHandOverFrame(const HandOver& handOver);

// The body after its length. Empty `problem` when it is well formed: valid UTF-8 without NUL,
// every length inside the body and the lengths adding up exactly.
struct ParsedHandOver {
    HandOver handOver;
    std::wstring problem;
};
ParsedHandOver parseHandOverBody(std::string_view body);

// The body length a frame's first four bytes announce.
uint32_t frameBodyLength(const unsigned char header[4]);
void putLittleEndian32(std::string& bytes, uint32_t value);

// Strictly valid UTF-8: shortest forms, no surrogates, nothing above U+10FFFF.
bool isStrictUtf8(std::string_view bytes);

struct InstanceNames {
    std::wstring mutex;        // Local\..., the session's own namespace
    std::wstring pipe;         // the running launcher's: second starts connect here
    std::wstring programPipe;  // the Java program's: the launcher relays each hand-over here
    std::wstring userSid;      // the one account the objects admit
};

// Who counts as the same application: its ID when the .kiv names one, else the launcher's
// full path as given (the caller folds its case).
std::wstring instanceIdentity(const std::wstring& applicationId, const std::wstring& foldedProgramPath);

// Names for one identity of one user in one session. Pipes are visible machine-wide: the
// user's SID is in the hash, and the pipes' access list admits that user alone.
InstanceNames instanceNames(const std::wstring& identity, uint32_t sessionId, const std::wstring& userSid);

// FNV-1a, 64 bits, over UTF-8: the names' hash.
uint64_t fnv1a64(std::string_view bytes);

}  // namespace velmora::launcher

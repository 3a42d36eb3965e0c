// The running launcher's reading of a later start's hand-over: whatever it takes is exactly
// what a later start would have sent.
#include "fuzz_input.h"
#include "launcher/instance_frame.h"

using namespace velmora::launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body = fuzz::Bytes(data, size);
    const ParsedHandOver parsed = parseHandOverBody(body);
    if (!parsed.problem.empty()) {
        FUZZ_CHECK(parsed.handOver == HandOver{});
        return 0;
    }
    const std::string frame = composeHandOverFrame(parsed.handOver);
    FUZZ_CHECK(frame.size() == body.size() + 4 && std::string_view(frame).substr(4) == body);
    return 0;
}

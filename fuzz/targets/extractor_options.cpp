// The self-extractor's options, installer_ui lines, and the heap options' two rewrites.
#include "fuzz_input.h"
#include "selfextract/extractor_options.h"
#include "selfextract/heap_options.h"

using namespace ruvo;

namespace {

std::vector<std::wstring> SplitAtSpaces(const std::wstring& text) {
    std::vector<std::wstring> tokens;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L' ', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) tokens.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes = fuzz::Bytes(data, size);
    std::wstring commandLine = fuzz::Units(data, size);

    ExtractorOptions options;
    options.ApplyTokens(TokenizeOptions(commandLine));
    (void)UiModeFromPropertiesText(bytes);

    std::wstring stripped = commandLine;
    StripHeapOptions(stripped);
    for (const auto& token : SplitAtSpaces(stripped)) FUZZ_CHECK(token != L"-jvmxms" && token != L"-jvmxmx");
    std::wstring twice = stripped;
    StripHeapOptions(twice);
    FUZZ_CHECK(twice == stripped);

    HeapOverride heap;
    heap.minimumGiven = options.heapMinimumGiven();
    heap.minimum = options.heapMinimum();
    heap.maximumGiven = options.heapMaximumGiven() || size % 2 == 1;
    heap.maximum = options.heapMaximumGiven() ? options.heapMaximum() : L"512m";
    std::string rewritten = RewriteKivHeapText(bytes, heap);
    FUZZ_CHECK(rewritten.empty() || rewritten.size() >= 2);
    FUZZ_CHECK(rewritten.empty() || rewritten.compare(rewritten.size() - 2, 2, "\r\n") == 0);
    // Rewriting the result again changes nothing more (a value with a line break in it
    // writes more than one line; the command line hardly ever carries one).
    auto oneLine = [](const std::wstring& v) { return v.find_first_of(L"\r\n") == std::wstring::npos; };
    if (oneLine(heap.minimum) && oneLine(heap.maximum)) FUZZ_CHECK(RewriteKivHeapText(rewritten, heap) == rewritten);
    return 0;
}

#include "selfextract/heap_options.h"

#include <windows.h>

#include <vector>

#include "common/unique_handle.h"
#include "selfextract/kiv_file.h"
#include "selfextract/log_line.h"
#include "selfextract/system_paths.h"

namespace ruvo {

void StripHeapOptions(std::wstring& commandLine) {
    std::wstring text = commandLine + L" ";
    std::vector<std::wstring> tokens;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L' ', start);
        if (end > start) tokens.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == L"-jvmxmx" || tokens[i] == L"-jvmxms") {
            tokens[i].clear();
            if (i + 1 < tokens.size()) tokens[++i].clear();
        }
    }
    commandLine.clear();
    for (const auto& token : tokens)
        if (!token.empty()) commandLine += token + L" ";
}

namespace {

// The values reach a single-byte file: characters beyond Latin-1 in the properties escape,
// "\\u" and four lower-case hex digits (a wide character has 16 bits on Windows; the portable
// fuzz build's wider ones keep their low 16).
std::string SingleByteText(const std::wstring& value) {
    std::string out;
    for (wchar_t c : value) {
        if (c <= 0xFF) {
            out += static_cast<char>(c);
            continue;
        }
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += "0123456789abcdef"[(c >> shift) & 0xF];
    }
    return out;
}

}  // namespace

std::string RewriteKivHeapText(std::string_view bytes, const HeapOverride& heap) {
    std::string out;
    LineReader lines(bytes);
    for (std::string_view text; lines.Next(text);) {
        std::string line(text);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '#') {
            const std::string key = line.substr(0, line.find('='));
            const std::wstring* value = heap.minimumGiven && key == kInitialHeapKey   ? &heap.minimum
                                        : heap.maximumGiven && key == kMaximumHeapKey ? &heap.maximum
                                                                                      : nullptr;
            if (value) line = key + "=" + SingleByteText(*value);
        }
        out += line;
        out += "\r\n";
    }
    return out;
}

void RewriteKivHeapOptions(const std::wstring& workingPath, const HeapOverride& heap) {
    std::wstring path = ExtractedKivPath(workingPath);
    if (path.empty()) {
        WriteStandardOutputLine("Unable to locate the kiv file");
        return;
    }
    std::string bytes;
    if (!FileExists(path) || !ReadWholeFile(path, bytes)) {
        LogLine("Unable to open .kiv file");
        return;
    }
    std::string text = RewriteKivHeapText(bytes, heap);
    // Written beside the file and moved over it, so that a failed write never leaves the
    // launcher with half a properties file.
    std::wstring temporary = path + L".new";
    {
        velmora::UniqueFileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        DWORD written = 0;
        if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size()) {
            file.reset();
            ::DeleteFileW(temporary.c_str());
            return;
        }
    }
    if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) ::DeleteFileW(temporary.c_str());
}

}  // namespace ruvo

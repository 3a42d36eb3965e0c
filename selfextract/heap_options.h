#pragma once
// "-jvmxms" / "-jvmxmx": rewriting the extracted .kiv file's heap keys, and taking both
// options out of the command line handed to the launcher.
#include <string>
#include <string_view>

#include "selfextract/extractor_state.h"

namespace ruvo {

inline constexpr char kInitialHeapKey[] = "kiv.nl.java.option.java.heap.size.initial";
inline constexpr char kMaximumHeapKey[] = "kiv.nl.java.option.java.heap.size.max";

// Drops every "-jvmxms"/"-jvmxmx" token with the token after it. Tokens are split at runs of
// spaces (quotes are not special) and joined again, each followed by one space.
void StripHeapOptions(std::wstring& commandLine);

// The .kiv text with the given heap keys' lines replaced, as a text-mode rewrite: lines split
// at line feeds (a carriage return before one is dropped), each written back with CR LF.
// Comment lines, other keys and missing keys stay as they are.
std::string RewriteKivHeapText(std::string_view bytes, const HeapOverride& heap);

// Rewrites the first *.kiv file of the launcher folder below `workingPath` (ends with "\").
// Problems are reported but never fail the run.
void RewriteKivHeapOptions(const std::wstring& workingPath, const HeapOverride& heap);

}  // namespace ruvo

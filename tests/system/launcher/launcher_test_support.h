#pragma once
// What several launcher system tests share: registry keys they create and remove, and the
// diagnostic trail's lines on standard error.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "common/text_convert.h"
#include "tests/support/child_process.h"
#include "tests/support/registry_keys.h"

namespace velmora::test {

// KIV_DEBUG for the child: absent, or the given value.
inline ChildOptions debugSwitch(std::optional<std::wstring> value, ChildOptions options = {}) {
    options.removedEnvironment.push_back(L"KIV_DEBUG");
    if (value) options.extraEnvironment.push_back(L"KIV_DEBUG=" + *value);
    return options;
}

struct SplitError {
    std::string trail;  // the "quillrun: " lines
    std::string rest;   // everything else, in order
};

inline SplitError splitTrail(const std::string& standardError) {
    SplitError split;
    size_t start = 0;
    while (start < standardError.size()) {
        size_t end = standardError.find('\n', start);
        end = end == std::string::npos ? standardError.size() : end + 1;
        std::string line = standardError.substr(start, end - start);
        (line.rfind("quillrun: ", 0) == 0 ? split.trail : split.rest) += line;
        start = end;
    }
    return split;
}

// The trail must hold this whole line.
inline ::testing::AssertionResult hasLine(const std::string& trail, const std::wstring& fact) {
    std::string line = "quillrun: " + velmora::wideToUtf8(fact) + "\n";
    if (trail.find(line) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "missing line: " << line << "in trail:\n" << trail;
}

inline size_t lineAt(const std::string& trail, const std::wstring& start) {
    return trail.find("quillrun: " + velmora::wideToUtf8(start));
}

inline std::string utf8(const std::wstring& text) { return velmora::wideToUtf8(text); }

}  // namespace velmora::test

#pragma once
// A fixed view of the process environment, taken once and never refreshed.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::launcher {

class EnvironmentSnapshot {
public:
    using Expander = std::function<std::wstring(const std::wstring&)>;

    // Entries as "name=value"; an entry that starts with '=' has the empty name.
    EnvironmentSnapshot(const std::vector<std::wstring>& entries, Expander expand);

    // The process-wide snapshot, created on first use.
    static const EnvironmentSnapshot& current();

    const std::map<std::wstring, std::wstring>& variables() const { return variables_; }
    // The value with percent-sign references expanded; empty when the name is unknown.
    std::wstring getExpanded(const std::wstring& name) const;
    std::vector<std::wstring> pathDirectories() const;
    // The three lines per variable handed to the Java program.
    std::vector<std::wstring> environmentLines() const;

private:
    std::map<std::wstring, std::wstring> variables_;
    Expander expand_;
};

// Percent-sign expansion through the system, into 2048 characters.
std::wstring expandEnvironmentText(const std::wstring& text);

// Appends the environment lines to the scratch properties file.
void writeEnvironmentLines();

}  // namespace velmora::launcher

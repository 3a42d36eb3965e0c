#pragma once
// The launcher's console: window title and the one-line error report.
#include <string>

namespace velmora::launcher {

class ConsoleService {
public:
    static ConsoleService& instance();
    bool isAvailable() const { return true; }
    void setTitle(const std::wstring& text);
    // "Quillrun Error: <text>\n" on standard error, whole; as UTF-8 bytes when standard
    // error is a file or pipe rather than a console. The windowed launcher also shows the text
    // in a message box titled "Quillrun Error".
    void reportError(const std::wstring& text);
    // The same; with a download page the windowed launcher's box offers to open it.
    void reportError(const std::wstring& text, const std::wstring& downloadPage);
};

// The launcher's own lines on standard output (the VM's company) go to the diagnostic trail
// instead, so that a pipe gets the program's output alone.
void setOwnOutputToTrail(bool toTrail);
// Text the launcher itself writes to standard output: there, or to the trail as one line.
void writeOwnOutput(const std::wstring& text);

// Writes text to a standard handle: the console call for a console, UTF-8 otherwise.
void writeStandardText(unsigned long standardHandle, const std::wstring& text);

}  // namespace velmora::launcher

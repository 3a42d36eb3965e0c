#pragma once
// The launcher's failures. Only the entry function catches them.
#include <exception>
#include <string>

namespace velmora::launcher {

// Ends the run with one user-facing line.
class TerminalError : public std::exception {
public:
    explicit TerminalError(std::wstring text) : text_(std::move(text)) {}
    const std::wstring& text() const noexcept { return text_; }
    const char* what() const noexcept override { return "terminal error"; }

private:
    std::wstring text_;
};

// No usable VM (message 101). Callers that answer it differently (the service's exit code)
// tell it apart by this type.
class NoValidVmError : public TerminalError {
public:
    using TerminalError::TerminalError;
    NoValidVmError(std::wstring text, std::wstring downloadPage)
        : TerminalError(std::move(text)), downloadPage_(std::move(downloadPage)) {}
    // Where the application's Java can be had; empty when the .kiv names no page.
    const std::wstring& downloadPage() const noexcept { return downloadPage_; }

private:
    std::wstring downloadPage_;
};

// File access failure: the path, what failed, and the system's error number when one is known.
// The path is resolved to a full one where the failure is raised, while the current
// directory is still the one the path meant.
class FileException : public std::exception {
public:
    FileException(const std::wstring& path, std::wstring message, unsigned long systemError = 0);
    const std::wstring& path() const noexcept { return path_; }
    const std::wstring& message() const noexcept { return message_; }
    unsigned long systemError() const noexcept { return systemError_; }
    const char* what() const noexcept override { return "Unknown exception"; }

private:
    std::wstring path_;
    std::wstring message_;
    unsigned long systemError_;
};

class StringTableException : public std::exception {
public:
    const char* what() const noexcept override { return "invalid key"; }
};

class RegistryException : public std::exception {
public:
    explicit RegistryException(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

class KeyException : public RegistryException {
public:
    using RegistryException::RegistryException;
};

// The text reported for a failure that is not a TerminalError: "an unknown exception has
// occurrred." and, on the next line, what is known of it (a file's full path and the
// reason, or the exception's own description).
std::wstring unknownExceptionText(const std::exception& error);

}  // namespace velmora::launcher

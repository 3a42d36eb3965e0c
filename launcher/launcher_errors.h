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

// File access failure; its generic description is what the catch-all reports.
class FileException : public std::exception {
public:
    FileException(std::wstring path, std::wstring message) : path_(std::move(path)), message_(std::move(message)) {}
    const std::wstring& path() const noexcept { return path_; }
    const std::wstring& message() const noexcept { return message_; }
    const char* what() const noexcept override { return "Unknown exception"; }

private:
    std::wstring path_;
    std::wstring message_;
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

}  // namespace velmora::launcher

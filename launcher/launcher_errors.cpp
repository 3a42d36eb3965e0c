#include "launcher/launcher_errors.h"

#include "common/decimal_text.h"
#include "common/system_error_text.h"
#include "launcher/file_system.h"

namespace velmora::launcher {
namespace {

std::wstring fileFailureText(const FileException& error) {
    std::wstring text = (error.path().empty() ? L"" : error.path() + L": ") + error.message();
    if (error.systemError() != 0) {
        std::wstring reason = systemErrorText(error.systemError());
        while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
            reason.pop_back();
        text += L" (" + (reason.empty() ? L"Windows error " + decimalText(error.systemError()) : reason) + L")";
    }
    return text;
}

}  // namespace

FileException::FileException(const std::wstring& path, std::wstring message, unsigned long systemError)
    : path_(path.empty() ? path : fullPath(path, false)), message_(std::move(message)), systemError_(systemError) {}

std::wstring unknownExceptionText(const std::exception& error) {
    std::wstring text = L"an unknown exception has occurrred.\n";
    if (const auto* file = dynamic_cast<const FileException*>(&error)) return text + fileFailureText(*file);
    for (const char* p = error.what(); *p; ++p) text.push_back(static_cast<unsigned char>(*p));
    return text;
}

}  // namespace velmora::launcher

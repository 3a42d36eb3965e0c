#include "archive/al_status.h"

#include <cwchar>
#include <new>
#include <stdio.h>

void ALWidenFormat(const char* format, wchar_t* out, size_t capacity) {
    size_t length = 0;
    for (; format[length] != '\0' && length + 1 < capacity; ++length) out[length] = static_cast<unsigned char>(format[length]);
    out[length] = L'\0';
}

std::wstring ALFormatV(size_t capacity, const wchar_t* format, va_list args) {
    if (capacity == 0) return {};
    std::wstring buffer(capacity, L'\0');
    // The runtime's own wide formatter: %s takes a wide string, as every format here expects.
    int written = _vsnwprintf(buffer.data(), capacity - 1, format, args);
    size_t length = written < 0 ? capacity - 1 : static_cast<size_t>(written);
    if (length > capacity - 1) length = capacity - 1;
    buffer.resize(length);
    return buffer;
}

std::wstring ALFormat(size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = ALFormatV(capacity, format, args);
    va_end(args);
    return text;
}

int ALErrorState::Set(int code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = SetV(code, format, args);
    va_end(args);
    return result;
}

int ALErrorState::SetV(int code, const char* format, va_list args) {
    code_ = code;
    if (!format) {
        detail_.reset();
        return code_;
    }
    wchar_t wideFormat[kFormatBuffer];
    ALWidenFormat(format, wideFormat, kFormatBuffer);
    wchar_t text[kFormatBuffer];
    int written = _vsnwprintf(text, kFormatBuffer - 1, wideFormat, args);
    text[written < 0 ? kFormatBuffer - 1 : written] = L'\0';
    if (!detail_) detail_.reset(new (std::nothrow) wchar_t[kDetailCapacity]);
    if (detail_) {
        wcsncpy(detail_.get(), text, kDetailCapacity - 1);
        detail_[kDetailCapacity - 1] = L'\0';
    }
    return code_;
}

void ALErrorState::Copy(const ALErrorState& from) {
    if (&from == this) return;
    code_ = from.code_;
    if (!from.detail_) {
        detail_.reset();
        return;
    }
    if (!detail_) detail_.reset(new (std::nothrow) wchar_t[kDetailCapacity]);
    if (detail_) wcscpy(detail_.get(), from.detail_.get());
}

const wchar_t* ALErrorState::Text() const {
    if (detail_) return detail_.get();
    if (code_ == AL_SUCCESS) return L"No errors";
    return L"Unable to allocate memory for error detail message";
}

namespace {

// Names as single-byte text: each line is "Code <code> = '<name>'", and the stub carries these.
struct StatusLine {
    int code;
    const char* name;
};

constexpr StatusLine kStatusLines[] = {
    {AL_END_OF_FILE, "End of file"},
    {AL_CANT_ALLOCATE_BUFFER, "Can't allocate buffer"},
    {AL_MEMORY_ALLOCATION_FAILURE, "Memory allocation failure"},
    {AL_CANT_CREATE_ENGINE, "Can't create compression engine"},
    {AL_CANT_CREATE_STORAGE_OBJECT, "Can't create storage object"},
    {AL_RENAME_ERROR, "Error renaming file"},
    {AL_CANT_OPEN_FILE, "Can't open file"},
    {AL_SEEK_ERROR, "Seek error"},
    {AL_READ_ERROR, "Read error"},
    {AL_WRITE_ERROR, "Write error"},
    {AL_DELETE_ERROR, "File deletion error"},
    {AL_ILLEGAL_PARAMETER, "Illegal parameter"},
    {AL_INTERNAL_ERROR, "Internal error"},
    {AL_USER_ABORT, "User abort"},
    {AL_SERVER_NOT_PRESENT, "Server not present"},
    {AL_COMPRESSION_TYPE_MISMATCH, "Mismatch in compression type"},
    {AL_NEED_LENGTH, "Missing length parameter"},
    {AL_CRC_ERROR, "CRC Error"},
    {AL_UNKNOWN_STORAGE_OBJECT, "Unknown type of storage object"},
    {AL_INVALID_ARCHIVE, "Invalid archive"},
    {AL_LOGIC_ERROR, "Logic error"},
    {AL_BACKUP_FAILURE, "Could not create backup"},
    {AL_GETSEL_ERROR, "Error getting selections from list box"},
    {AL_DUPLICATE_ENTRY, "Duplicate entry"},
    {AL_INVALID_KEY, "Invalid key"},
    {AL_MISSING_CRYPTO_ENGINE, "Missing Crypto engine"},
};

}  // namespace

std::wstring ALStatusReportLine(int code) {
    if (code >= 0) return {};
    for (const auto& line : kStatusLines)
        if (line.code == code) return ALFormat(512, L"Code %ld = '%hs'", static_cast<long>(code), line.name);
    return {};
}

void ALReportStatus(int code, ALLineWriter writeLine) {
    std::wstring line = ALStatusReportLine(code);
    if (!line.empty() && writeLine) writeLine(line.c_str());
}

#pragma once
// C runtime calls that the Windows sources take from stdio.h; included into every native
// compilation, as MinGW's stdio.h would provide them.
#include <cstdarg>
#include <cstddef>

// MSVCRT's wide formatter: %s and %c take wide arguments; at most `count` characters, no
// terminator when the text fills them exactly, -1 when it does not fit.
int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);

// Compares ignoring the case of A-Z, as the runtime's "C" locale does.
int _wcsicmp(const wchar_t* a, const wchar_t* b);

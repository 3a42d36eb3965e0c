#pragma once
// The C runtime's descriptor-level file calls with wide names, over the in-memory file
// system of memory_files.h. Flags keep their POSIX values; _O_BINARY means nothing here.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "msvcrt.h"

#define _O_RDONLY O_RDONLY
#define _O_WRONLY O_WRONLY
#define _O_RDWR O_RDWR
#define _O_CREAT O_CREAT
#define _O_TRUNC O_TRUNC
#define _O_EXCL O_EXCL
#define _O_BINARY 0
#define _S_IREAD 0400
#define _S_IWRITE 0200

// Only what the callers read; sys/stat.h turns st_mtime into st_mtim.tv_sec.
struct _stat {
    int64_t st_size;
    struct timespec st_mtim;
};

int _wopen(const wchar_t* path, int flags, ...);
int _close(int fd);
int _read(int fd, void* buffer, unsigned count);
int _write(int fd, const void* buffer, unsigned count);
long _lseek(int fd, long offset, int origin);
long _filelength(int fd);
int _wstat(const wchar_t* path, struct _stat* info);
int _wmkdir(const wchar_t* path);
int _wunlink(const wchar_t* path);
int _wrename(const wchar_t* from, const wchar_t* to);
intptr_t _get_osfhandle(int fd);


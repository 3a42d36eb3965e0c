// The C++ runtime hooks the stub reaches, replaced. The runtime's own versions drag in its
// exception machinery, its std::string exception classes (both string ABIs), std::random_device
// and a C++ demangler: most of the stub's size budget. The stub is built without exceptions,
// so running out of memory, or a broken string invariant, ends it at once.
#include <math.h>

#include <cstdlib>
#include <new>

#include <zlib.h>

#include "selfextract/small_adler32.h"

namespace {
[[noreturn]] void OutOfMemory() { std::abort(); }
}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) OutOfMemory();
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// These names are the runtime's own: defining them is the point.
// NOLINTBEGIN(bugprone-reserved-identifier, cert-dcl58-cpp)
namespace __gnu_cxx {
// The default handler prints the demangled type of an exception to a console ruvo lacks.
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { OutOfMemory(); }
void __throw_bad_array_new_length() { OutOfMemory(); }
void __throw_length_error(const char*) { OutOfMemory(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier, cert-dcl58-cpp)

// zlib's unrolled Adler-32 is never reached here (see small_adler32.h); defining the name keeps
// the library's object out of the link.
extern "C" uLong adler32(uLong adler, const Bytef* data, uInt length) {
    return ruvo::SmallAdler32(static_cast<uint32_t>(adler), data, length);
}

// The runtime's start-up code installs a math-error reporter that prints to the standard error
// a GUI program lacks; nothing in the stub does floating-point math.
extern "C" int _matherr(struct _exception*) { return 0; }  // NOLINT(bugprone-reserved-identifier)

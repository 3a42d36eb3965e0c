// The C++ runtime hooks a program built without exceptions reaches (velmora_stub_code), replaced:
// the runtime's own versions bring its exception machinery, the std::string-based exception
// classes of both string ABIs and a demangler. Running out of memory, or a broken string
// invariant, ends the program at once.
#include <math.h>

#include <cstdlib>
#include <new>

namespace {
[[noreturn]] void outOfMemory() { std::abort(); }
}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) outOfMemory();
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
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { outOfMemory(); }
void __throw_bad_array_new_length() { outOfMemory(); }
void __throw_length_error(const char*) { outOfMemory(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier, cert-dcl58-cpp)

// The start-up code installs a math-error reporter that prints to a standard error a GUI program
// lacks; nothing here does floating-point math.
extern "C" int _matherr(struct _exception*) { return 0; }  // NOLINT(bugprone-reserved-identifier)

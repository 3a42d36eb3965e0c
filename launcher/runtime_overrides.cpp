// The C++ runtime's hooks for failures inside the standard library, replaced. The runtime's
// own versions bring its verbose terminate handler (a demangler and printf engines), the
// std::string-based exception classes of both string ABIs and system_error: a third of the
// launcher's size. These throw a plain exception instead, which the entry function reports
// like any other unexpected one ("an unknown exception has occurrred." and the text).
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

namespace {

class RuntimeFault : public std::exception {
public:
    explicit RuntimeFault(const char* text) noexcept : text_(text ? text : "runtime error") {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;  // the runtime passes literals
};

}  // namespace

// These names are the runtime's own: defining them is the point.
// NOLINTBEGIN(bugprone-reserved-identifier, cert-dcl58-cpp)
namespace __gnu_cxx {
// Only an exception that escapes every handler gets here; the entry function catches them all.
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_bad_exception() { throw RuntimeFault("bad exception"); }
void __throw_bad_cast() { throw RuntimeFault("bad cast"); }
void __throw_bad_typeid() { throw RuntimeFault("bad typeid"); }
void __throw_bad_function_call() { throw RuntimeFault("bad function call"); }
void __throw_logic_error(const char* text) { throw RuntimeFault(text); }
void __throw_domain_error(const char* text) { throw RuntimeFault(text); }
void __throw_invalid_argument(const char* text) { throw RuntimeFault(text); }
void __throw_length_error(const char* text) { throw RuntimeFault(text); }
void __throw_out_of_range(const char* text) { throw RuntimeFault(text); }
// The runtime's formats name the failing function first, written out or as a "%s" field
// ("basic_string::at: __n (which is %zu) ..."): that name is the text. Formatting the rest
// would bring a printf engine back.
void __throw_out_of_range_fmt(const char* format, ...) {
    static char text[96];
    const char* name = format ? format : "";
    size_t length = std::strlen(name);
    if (std::strncmp(name, "%s", 2) == 0) {
        va_list arguments;
        va_start(arguments, format);
        name = va_arg(arguments, const char*);
        va_end(arguments);
        length = name ? std::strlen(name) : 0;
    } else if (const char* end = std::strstr(name, ": ")) {
        length = static_cast<size_t>(end - name);
    }
    if (!name || length == 0) throw RuntimeFault("out of range");
    if (length > sizeof text - 16) length = sizeof text - 16;
    // The strcpy below ends the text.
    std::memcpy(text, name, length);  // NOLINT(bugprone-not-null-terminated-result)
    std::strcpy(text + length, ": out of range");
    throw RuntimeFault(text);
}
void __throw_runtime_error(const char* text) { throw RuntimeFault(text); }
void __throw_range_error(const char* text) { throw RuntimeFault(text); }
void __throw_overflow_error(const char* text) { throw RuntimeFault(text); }
void __throw_underflow_error(const char* text) { throw RuntimeFault(text); }
void __throw_system_error(int) { throw RuntimeFault("system error"); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier, cert-dcl58-cpp)

// The launcher's replacements for the C++ runtime's failure hooks: a failure inside the
// standard library still arrives at the entry function as a std::exception with a text,
// but as the launcher's own plain exception rather than the runtime's classes.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Failure {
    const char* name;
    std::function<void()> cause;
    const char* text;
};

}  // namespace

TEST(RuntimeHooks, LibraryFailuresArriveAsThePlainExceptionWithTheirText) {
    const std::string three = "abc";
    const std::vector<int> none;
    const Failure failures[] = {
        {"string at", [&] { (void)three.at(5); }, "basic_string::at: out of range"},
        {"vector at", [&] { (void)none.at(1); }, "vector::_M_range_check: out of range"},
        {"string too long", [] { std::string text; text.reserve(text.max_size() + 1); }, "basic_string::_M_create"},
        {"empty function", [] { std::function<void()> empty; empty(); }, "bad function call"},
        {"number text", [] { (void)std::stoi("x"); }, "stoi"},
    };
    for (const Failure& failure : failures) {
        try {
            failure.cause();
            ADD_FAILURE() << failure.name << ": nothing was thrown";
        } catch (const std::logic_error& error) {
            ADD_FAILURE() << failure.name << ": the runtime's own class arrived: " << error.what();
        } catch (const std::exception& error) {
            EXPECT_STREQ(error.what(), failure.text) << failure.name;
        }
    }
}

TEST(RuntimeHooks, RunningOutOfMemoryIsStillBadAlloc) {
    EXPECT_THROW(std::__throw_bad_alloc(), std::bad_alloc);
}

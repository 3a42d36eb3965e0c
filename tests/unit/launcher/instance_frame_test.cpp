#include "launcher/instance_frame.h"

#include <gtest/gtest.h>

#include "common/text_convert.h"
#include "tests/support/argument_cases.h"

using namespace velmora::launcher;

namespace {

std::string le32(uint32_t value) {
    std::string bytes;
    putLittleEndian32(bytes, value);
    return bytes;
}

std::string text(std::string_view utf8) { return le32(static_cast<uint32_t>(utf8.size())) + std::string(utf8); }

}  // namespace

TEST(InstanceFrame, ComposedFramesParseBackExactly) {
    const HandOver cases[] = {
        {L"C:\\Users\\ann\\Documents", velmora::test::awkwardArguments()},
        {L"", {}},
        {L"\\\\server\\share\\\u65e5\u672c", {L"", L""}},
        {L"D:\\", {L"\U0001F600 emoji", std::wstring(70000, L'x')}},
    };
    for (const auto& c : cases) {
        const std::string frame = composeHandOverFrame(c);
        ASSERT_GE(frame.size(), 12u);
        const auto* header = reinterpret_cast<const unsigned char*>(frame.data());
        EXPECT_EQ(frameBodyLength(header), frame.size() - 4);
        const ParsedHandOver parsed = parseHandOverBody(std::string_view(frame).substr(4));
        EXPECT_TRUE(parsed.problem.empty()) << velmora::wideToUtf8(parsed.problem);
        EXPECT_EQ(parsed.handOver, c);
    }
    // The layout others read: count, folder, then the arguments.
    EXPECT_EQ(composeHandOverFrame({L"C:\\", {L"a b", L"\u00e4"}}),
              le32(24) + le32(2) + text("C:\\") + text("a b") + text("\xc3\xa4"));
}

TEST(InstanceFrame, MalformedBodiesAreRefused) {
    const struct {
        const char* name;
        std::string body;
    } cases[] = {
        {"empty", ""},
        {"count without the folder", le32(0)},
        {"count beyond the body", le32(3) + text("C:\\")},
        {"an argument missing", le32(1) + text("C:\\")},
        {"text longer than the body", le32(0) + le32(100) + "C:\\"},
        {"a length of 4 GiB", le32(0) + le32(0xFFFFFFFF) + "C:\\"},
        {"bytes after the last text", le32(0) + text("C:\\") + "x"},
        {"a NUL inside", le32(1) + text("C:\\") + text(std::string("a\0b", 3))},
        {"overlong encoding", le32(0) + text("\xc0\x80")},
        {"a surrogate half", le32(0) + text("\xed\xa0\x80")},
        {"beyond U+10FFFF", le32(0) + text("\xf4\x90\x80\x80")},
        {"a cut sequence", le32(0) + text("ab\xe6\x97")},
        {"a stray continuation", le32(0) + text("\x80")},
        {"larger than the limit", le32(0) + text(std::string(kHandOverBodyLimit, 'x'))},
    };
    for (const auto& c : cases) {
        const ParsedHandOver parsed = parseHandOverBody(c.body);
        EXPECT_FALSE(parsed.problem.empty()) << c.name;
        EXPECT_EQ(parsed.handOver, HandOver{}) << c.name;
    }
}

TEST(InstanceFrame, TheLimitHoldsForComposingToo) {
    const size_t room = kHandOverBodyLimit - 4 - 4 - 3 - 4;  // count, folder, one argument's length
    EXPECT_EQ(composeHandOverFrame({L"C:\\", {std::wstring(room, L'x')}}).size(), 4 + kHandOverBodyLimit);
    EXPECT_TRUE(composeHandOverFrame({L"C:\\", {std::wstring(room + 1, L'x')}}).empty());
    EXPECT_TRUE(parseHandOverBody(le32(1) + text("C:\\") + text(std::string(room, 'x'))).problem.empty());
}

TEST(InstanceFrame, NamesDependOnIdentityUserAndSession) {
    const std::wstring sid = L"S-1-5-21-1-2-3-1001";
    const InstanceNames base = instanceNames(instanceIdentity(L"Acme.App", L"C:\\APP\\APP.EXE"), 1, sid);
    EXPECT_EQ(base.mutex.rfind(L"Local\\single-instance-1-", 0), 0u);
    EXPECT_EQ(base.pipe.rfind(L"\\\\.\\pipe\\single-instance-1-", 0), 0u);
    EXPECT_EQ(base.programPipe, base.pipe + L"-program");
    EXPECT_EQ(base.mutex.substr(6), base.pipe.substr(9));
    EXPECT_EQ(base.userSid, sid);
    // The ID decides when there is one, wherever the launcher is.
    EXPECT_EQ(instanceNames(instanceIdentity(L"Acme.App", L"D:\\TEMP\\I1\\APP.EXE"), 1, sid).pipe, base.pipe);
    const InstanceNames others[] = {
        instanceNames(instanceIdentity(L"Acme.Other", L"C:\\APP\\APP.EXE"), 1, sid),
        instanceNames(instanceIdentity(L"", L"C:\\APP\\APP.EXE"), 1, sid),
        instanceNames(instanceIdentity(L"", L"Acme.App"), 1, sid),  // a path never passes for an ID
        instanceNames(instanceIdentity(L"Acme.App", L""), 2, sid),
        instanceNames(instanceIdentity(L"Acme.App", L""), 1, L"S-1-5-21-1-2-3-1002"),
    };
    for (const auto& other : others) {
        EXPECT_NE(other.pipe, base.pipe) << velmora::wideToUtf8(other.pipe);
        EXPECT_NE(other.mutex, base.mutex);
    }
    EXPECT_EQ(fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a64("a"), 0xaf63dc4c8601ec8cull);
}

#pragma once
// Argument files as the Java launcher of version 9 and later reads them (`java @file`): the
// arguments separated by white space, quotes keeping one whole, '#' starting a comment. No
// system call here: the launcher writes such files, the Java bridge and the tests' stand-in VM
// read them.
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One argument a line. An argument that holds anything the reader treats specially (white
// space, quotes, '#', backslashes) or is empty goes in double quotes, with backslashes and
// quotes escaped by a backslash and line breaks, tabs and form feeds written as \n \r \t \f.
std::wstring argumentFileText(const std::vector<std::wstring>& arguments);

// The arguments of a file's text, by the reader's rules; a file of several lines is read as
// one long line is.
std::vector<std::wstring> parseArgumentFile(std::wstring_view text);

}  // namespace velmora

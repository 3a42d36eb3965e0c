#pragma once
// The properties text format: reading lines into a set, and the escapes of stored text.
#include <string>
#include <string_view>
#include <vector>

#include "file_rules/property_set.h"

namespace velmora::launcher {

// One key and value as the reader stores it, with the lines it came from (from 1; more than
// one when the value continues on the following lines).
struct PropertyLine {
    std::wstring key;
    std::wstring value;
    int firstLine = 0;
    int lastLine = 0;
};

// Every key and value of a properties file's bytes in file order, repeated keys included.
std::vector<PropertyLine> readPropertyLines(std::string_view bytes);

// Parses the bytes of a properties file (one byte is one character) into `set`,
// adding to and overriding what is there. Malformed lines are skipped, never an error.
void parsePropertyText(std::string_view bytes, PropertySet& set);

// Decodes backslash-u escapes; every other backslash stays as written.
std::wstring unescapePropertyText(std::wstring_view text);

// Doubles backslashes and writes characters above 127, control characters and DEL as
// lower-case backslash-u escapes, so that every value stays on its own line.
std::wstring escapePropertyText(std::wstring_view text);

// What the 8-bit writer stores for a formatted line: LF as CR LF, one byte per character.
// Characters above 255 (which escaped text never has) are stored as backslash-u escapes
// rather than being cut to a byte.
std::string encodePropertyLine(std::wstring_view line);

}  // namespace velmora::launcher

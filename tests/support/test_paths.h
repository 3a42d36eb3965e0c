#pragma once
// Where the tests find the built programs and the source tree, as Windows paths.
#include <string>

namespace velmora::test {

std::wstring windowsPathOfHostPath(const std::string& hostPath);  // "/a/b" -> "Z:\a\b"
std::wstring distFolder();      // dist/x64 of this build
std::wstring sourceFolder();    // the source tree
std::wstring testBinFolder();   // test programs of this build
std::wstring distProgram(const std::wstring& fileName);
// The self-extractor that test installers are packed onto: VELMORA_STUB when set (the shipped
// 32-bit build), else ruvo.exe of this build.
std::wstring stubProgram();
std::wstring inQuotes(const std::wstring& text);

}  // namespace velmora::test

#pragma once
// Which machine a Windows executable is built for, from its PE headers.
#include <cstddef>
#include <string>

namespace velmora::launcher {

// 0 for anything else, 1 for an x86 image, 2 for an x64 image.
int peImageBitness(const std::wstring& path);
int imageBitnessOf(const unsigned char* data, size_t size);

}  // namespace velmora::launcher

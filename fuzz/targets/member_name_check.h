#pragma once
// What both archive readers promise for a member name that the common rule accepts.
#include <string>

#include "common/member_name_rule.h"
#include "common/text_convert.h"
#include "memory_files.h"

namespace fuzz {

// The name lies below `folder` and names exactly the file written: resolving it under the
// Windows path rules (climbs, ".", empty components, trailing dots and spaces) changes
// nothing, and no ':' reaches a drive or a stream.
inline bool NamesExactlyItsFile(const std::string& folder, std::wstring name) {
    if (name.empty() || name.find(L':') != std::wstring::npos) return false;
    for (auto& c : name)
        if (c == L'\\') c = L'/';
    if (name.back() == L'/') name.pop_back();
    return memory_files::Resolve(velmora::utf8ToWide(folder) + L"/" + name) == folder + "/" + velmora::wideToUtf8(name);
}

}  // namespace fuzz

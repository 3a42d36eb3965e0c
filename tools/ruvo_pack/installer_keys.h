#pragma once
// Every key that the launcher and the self-extractor read from an installer's files: the
// check judges the files by it, and the settings reference is rendered from it.
#include <string>
#include <string_view>

namespace ruvo_pack {

enum class KeyFile { Kiv, BuildOptions, SpecFile, InstallerProperties };

enum class ValueKind {
    Text,
    Path,       // relative to the .kiv file's folder, or absolute
    ClassPath,  // ';'-separated paths
    VmList,     // the valid-VM list language
    ByteSize,   // decimal, with k or m
    Integer,
    Flag,    // on for true, on, t
    Switch,  // on for true, yes, on
    Choice,  // one of `choices`
    Url,
    Md5,
    FileName,
    Section,  // a specification file's section start or end
};

struct KeyInfo {
    KeyFile file;
    ValueKind kind;
    const char* key;           // "build.jvmspec.<n>" stands for build.jvmspec.0, build.jvmspec.1, ...
    const char* choices;       // for Choice: the values, comma-separated; otherwise ""
    const char* defaultValue;  // what the reader takes when the key is absent; "" for empty
    const char* readBy;
    const char* effect;
    const char* example;  // a line as written in the file
};

// The entry for a key as written in a file of that kind, or null.
const KeyInfo* findKey(KeyFile file, std::string_view key);

// The known key of that file closest to an unknown one, when it is close enough to be a
// slip of the keyboard (or differs only in letter case); otherwise empty.
std::string nearestKey(KeyFile file, std::string_view key);

// "byte size (k or m)", "flag (true, on, t)", ...
std::string kindName(const KeyInfo& key);

// The Markdown table of one file's keys, as docs/kiv-reference.md shows it.
std::string referenceTable(KeyFile file);

}  // namespace ruvo_pack

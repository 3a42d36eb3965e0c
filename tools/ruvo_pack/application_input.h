#pragma once
// The files of a folder given to application mode (--input, --runtime-image) as the payload
// will hold them: links followed, the installer being written left out, and every problem
// named by its path in that folder, never by the temporary folder it is copied to.
#include <filesystem>
#include <string>
#include <vector>

namespace ruvo_pack {

struct InputFile {
    std::filesystem::path source;
    std::string relative;  // '/'-separated UTF-8
};

struct InputListing {
    std::vector<InputFile> files;       // in byte order of their names
    std::vector<std::string> warnings;  // one line each, without "ruvo-pack: "
};

// `shown` introduces each line ("--input lib"); `output` is left out wherever it lies. False
// with one line: a link loop, a dangling link, an unreadable file or folder, a name Windows
// cannot hold, two names equal but for letter case.
bool listInputFolder(const std::filesystem::path& folder, const std::string& shown,
                     const std::filesystem::path& output, InputListing& listing, std::string& error);

// Copies the listed files below `to`; false with one line naming the file that failed.
bool copyInputFiles(const InputListing& listing, const std::filesystem::path& to, const std::string& shown,
                    std::string& error);

}  // namespace ruvo_pack

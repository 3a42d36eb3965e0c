#include "tools/ruvo_pack/application_input.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>

#include "tools/ruvo_pack/installer_folder.h"
#include "tools/ruvo_pack/payload_format.h"
#include "tools/ruvo_pack/payload_names.h"

namespace fs = std::filesystem;

namespace ruvo_pack {
namespace {

bool isWithin(const fs::path& path, const fs::path& folder) {
    const auto [end, rest] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end();
}

fs::path canonicalOrEmpty(const fs::path& path) {
    std::error_code ec;
    return fs::canonical(path, ec);
}

bool existsQuietly(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

class InputWalk {
public:
    InputWalk(const fs::path& root, const std::string& shown, const fs::path& output, InputListing& listing)
        : shown_(shown), root_(canonicalOrEmpty(root)), output_(output), outputExists_(existsQuietly(output)),
          listing_(listing) {}

    bool walk(const fs::path& folder, const std::string& prefix) {
        std::error_code ec;
        const fs::path real = fs::canonical(folder, ec);
        if (std::find(ancestors_.begin(), ancestors_.end(), real) != ancestors_.end())
            return fail(prefix, "a symbolic link loop (it leads back to " + utf8Of(real) + ")");
        ancestors_.push_back(real);
        fs::directory_iterator it(folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec))
            if (!take(it->path(), joinedPath(prefix, utf8Of(it->path().filename())))) return false;
        if (ec) return fail(prefix, "the folder cannot be read: " + ec.message());
        ancestors_.pop_back();
        return true;
    }

    std::string error;

private:
    bool take(const fs::path& path, const std::string& relative) {
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(path, ec))) {
            const fs::path target = fs::canonical(path, ec);
            if (ec == std::errc::too_many_symbolic_link_levels) return fail(relative, "a symbolic link loop");
            if (ec == std::errc::no_such_file_or_directory)
                return fail(relative, "a dangling symbolic link (to " + utf8Of(fs::read_symlink(path, ec)) + ")");
            if (ec) return fail(relative, "the symbolic link cannot be followed: " + ec.message());
            if (!isWithin(target, root_))
                listing_.warnings.push_back(shown_ + ": " + relative + " is a symbolic link to " + utf8Of(target) +
                                            ", outside the folder: what it leads to is packed as well");
        }
        const fs::file_status status = fs::status(path, ec);
        if (ec) return fail(relative, ec.message());
        if (fs::is_directory(status)) return walk(path, relative);
        std::error_code same;
        if (outputExists_ && fs::equivalent(path, output_, same)) return true;  // an earlier build of this installer
        if (!fs::is_regular_file(status)) return fail(relative, "not a regular file");
        if (const std::string reason = unportableNameReason(relative); !reason.empty()) return fail(relative, reason);
        errno = 0;
        if (!std::ifstream(path, std::ios::binary))
            return fail(relative, "the file cannot be read: " + std::generic_category().message(errno ? errno : EACCES));
        listing_.files.push_back({path, relative});
        return true;
    }

    bool fail(const std::string& relative, const std::string& reason) {
        error = shown_ + ": " + (relative.empty() ? std::string() : relative + ": ") + reason;
        return false;
    }

    std::string shown_;
    fs::path root_, output_;
    bool outputExists_ = false;
    std::vector<fs::path> ancestors_;
    InputListing& listing_;
};

}  // namespace

bool listInputFolder(const fs::path& folder, const std::string& shown, const fs::path& output, InputListing& listing,
                     std::string& error) {
    InputWalk walk(folder, shown, output, listing);
    if (!walk.walk(folder, "")) {
        error = walk.error;
        return false;
    }
    std::sort(listing.files.begin(), listing.files.end(),
              [](const InputFile& a, const InputFile& b) { return a.relative < b.relative; });
    std::vector<std::string> names;
    for (const auto& file : listing.files) names.push_back(file.relative);
    if (const auto clashes = caseClashes(names); !clashes.empty()) {
        error = shown + ": " + caseClashText(clashes.front());
        return false;
    }
    return true;
}

bool copyInputFiles(const InputListing& listing, const fs::path& to, const std::string& shown, std::string& error) {
    std::error_code ec;
    for (const auto& file : listing.files) {
        const fs::path target = to / pathOfUtf8(file.relative);
        fs::create_directories(target.parent_path(), ec);
        if (!ec) fs::copy_file(file.source, target, ec);
        if (ec) {
            error = shown + ": " + file.relative + ": cannot be copied into the payload: " + ec.message();
            return false;
        }
    }
    return true;
}

}  // namespace ruvo_pack

#include "tools/ruvo_pack/packer.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <system_error>

#include <zlib.h>

#include "tools/ruvo_pack/branding.h"
#include "common/text_convert.h"
#include "tools/ruvo_pack/launcher_choice.h"
#include "tools/ruvo_pack/payload_format.h"
#include "tools/ruvo_pack/payload_names.h"

namespace fs = std::filesystem;

namespace ruvo_pack {
namespace {

std::string utf8Of(const fs::path& p) {
    auto u8 = p.generic_u8string();
    return std::string(u8.begin(), u8.end());
}

fs::path pathOfUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string lower(std::string_view s) { return velmora::asciiLower(s); }

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File openFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return File(_wfopen(path.c_str(), wmode.c_str()), std::fclose);
#else
    return File(std::fopen(path.c_str(), mode), std::fclose);
#endif
}

DosStamp stampOf(const fs::path& path) {
    std::error_code ec;
    auto written = fs::last_write_time(path, ec);
    if (ec) return dosStampOf(1980, 1, 1, 0, 0, 0);
    auto system = std::chrono::file_clock::to_sys(written);
    std::time_t t = std::chrono::system_clock::to_time_t(system);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &t) != 0) return dosStampOf(1980, 1, 1, 0, 0, 0);
#else
    if (!localtime_r(&t, &local)) return dosStampOf(1980, 1, 1, 0, 0, 0);
#endif
    return dosStampOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec);
}

// The temporary output, removed by its owner unless committed, and by an interrupt.
char interruptedPath[4096];
void removeOnInterrupt(int signal) {
    if (interruptedPath[0]) std::remove(interruptedPath);
    std::_Exit(128 + signal);
}

class TemporaryOutput {
public:
    explicit TemporaryOutput(const fs::path& output) {
        for (int n = 0; n < 1000; ++n) {
            fs::path candidate = output;
            candidate += ".partial" + std::to_string(n);
            std::error_code ec;
            if (!fs::exists(candidate, ec)) {
                path_ = candidate;
                break;
            }
        }
        std::string native = path_.string();
        if (native.size() < sizeof interruptedPath) std::memcpy(interruptedPath, native.c_str(), native.size() + 1);
        std::signal(SIGINT, removeOnInterrupt);
        std::signal(SIGTERM, removeOnInterrupt);
    }
    ~TemporaryOutput() {
        file.reset();
        if (!committed_ && !path_.empty()) {
            std::error_code ec;
            fs::remove(path_, ec);
        }
        interruptedPath[0] = '\0';
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
    const fs::path& path() const { return path_; }
    bool commit(const fs::path& output, std::string& error) {
        std::FILE* f = file.release();
        if (!f || std::fclose(f) != 0) {
            error = "cannot write " + utf8Of(output) + " (the disk may be full)";
            return false;
        }
        std::error_code ec;
        fs::rename(path_, output, ec);
        if (ec) {
            error = "cannot write " + utf8Of(output) + ": " + ec.message();
            return false;
        }
        committed_ = true;
        return true;
    }

    File file{nullptr, std::fclose};

private:
    fs::path path_;
    bool committed_ = false;
};

bool readWhole(std::FILE* file, Bytes& bytes) {
    unsigned char chunk[1 << 16];
    for (;;) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) return std::ferror(file) == 0;
        if (bytes.size() >= kMaxInstallerSize) return false;
    }
}

class Writer {
public:
    Writer(std::FILE* file) : file_(file) {}
    bool write(const void* data, size_t n) {
        if (n && std::fwrite(data, 1, n, file_) != n) return false;
        position_ += n;
        return true;
    }
    bool write(const std::string& bytes) { return write(bytes.data(), bytes.size()); }
    uint64_t position() const { return position_; }

private:
    std::FILE* file_;
    uint64_t position_ = 0;
};

}  // namespace

std::string versionText() { return "ruvo-pack 1.0.0\n"; }

std::string usageText() {
    return "Usage: ruvo-pack --stub STUB.exe --out NAME.exe [--level 0-9] [branding] FOLDER\n"
           "\n"
           "Builds the installer NAME.exe from the self-extractor STUB.exe and the installer\n"
           "files in FOLDER. FOLDER's top level holds Windows/ (or Windows_Pure_64_Bit/ for\n"
           "64-bit-only installers) with the launcher NAME.exe and its .kiv properties file.\n"
           "Every file below FOLDER goes into the payload; empty folders are not kept.\n"
           "\n"
           "  --stub FILE    the self-extractor program the payload is appended to\n"
           "  --out FILE     the installer to write; its base name is the installer name\n"
           "  --level N      deflate level, 0 (store) to 9 (smallest); default 6\n"
           "  --help         show this text\n"
           "  --version      show the version\n"
           "\n" +
           brandingUsageText();
}

std::string sourceDateEpochText() {
    return "With SOURCE_DATE_EPOCH set (seconds since 1970), every member carries that time, and\n"
           "the same folder gives the same installer bytes on every build.\n";
}

bool readSourceDateEpoch(const char* value, std::optional<int64_t>& epoch, std::string& error) {
    epoch.reset();
    if (!value || !*value) return true;
    int64_t seconds = 0;
    for (const char* c = value; *c; ++c) {
        if (*c < '0' || *c > '9' || seconds > (INT64_MAX - 9) / 10) {
            error = std::string("SOURCE_DATE_EPOCH must be a whole number of seconds since 1970, not '") + value + "'";
            return false;
        }
        seconds = seconds * 10 + (*c - '0');
    }
    epoch = seconds;
    return true;
}

ParsedArguments parseArguments(const std::vector<std::string>& arguments) {
    ParsedArguments parsed;
    std::vector<std::string> positional;
    bool haveStub = false, haveOut = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](const char* option) -> const std::string* {
            if (i + 1 >= arguments.size()) {
                parsed.error = std::string(option) + " needs a value";
                return nullptr;
            }
            return &arguments[++i];
        };
        if (a == "--help" || a == "-h") {
            parsed.command = Command::Help;
            return parsed;
        } else if (a == "--version") {
            parsed.command = Command::Version;
            return parsed;
        } else if (a == "--stub") {
            const std::string* v = value("--stub");
            if (!v) return parsed;
            parsed.options.stub = pathOfUtf8(*v);
            haveStub = true;
        } else if (a == "--out") {
            const std::string* v = value("--out");
            if (!v) return parsed;
            parsed.options.output = pathOfUtf8(*v);
            haveOut = true;
        } else if (a == "--level") {
            const std::string* v = value("--level");
            if (!v) return parsed;
            if (v->size() != 1 || (*v)[0] < '0' || (*v)[0] > '9') {
                parsed.error = "--level takes a number from 0 to 9, not '" + *v + "'";
                return parsed;
            }
            parsed.options.level = (*v)[0] - '0';
        } else if (takeBrandingOption(arguments, i, parsed.options.branding, parsed.error)) {
            if (!parsed.error.empty()) return parsed;
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            parsed.error = "unknown option '" + a + "'";
            return parsed;
        } else if (a == "--") {
            for (++i; i < arguments.size(); ++i) positional.push_back(arguments[i]);
        } else {
            positional.push_back(a);
        }
    }
    if (!haveStub) parsed.error = "--stub is missing";
    else if (!haveOut) parsed.error = "--out is missing";
    else if (positional.size() != 1)
        parsed.error = positional.empty() ? "the installer folder is missing" : "give exactly one installer folder";
    else if (!installerNameOf(utf8Of(parsed.options.output.filename())))
        parsed.error = "--out must name an .exe file";
    if (parsed.error.empty()) parsed.options.folder = pathOfUtf8(positional[0]);
    return parsed;
}

bool collectFiles(const fs::path& folder, const fs::path& exclude, std::vector<SourceFile>& files, std::string& error,
                  std::vector<std::string>& warnings) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "the installer folder " + utf8Of(folder) + " does not exist or is not a folder";
        return false;
    }
    fs::path excluded = fs::weakly_canonical(exclude, ec);
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
    if (ec) {
        error = "cannot read the folder " + utf8Of(folder) + ": " + ec.message();
        return false;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::directory_entry& entry = *it;
        std::string name = utf8Of(fs::relative(entry.path(), folder, ec));
        if (entry.is_symlink(ec) && entry.is_directory(ec)) {
            warnings.push_back("skipping " + name + ": a link to a folder");
            continue;
        }
        if (entry.is_directory(ec)) continue;
        if (!entry.is_regular_file(ec)) {
            error = "cannot pack " + utf8Of(entry.path()) + ": not a regular file";
            return false;
        }
        std::error_code same;
        if (!excluded.empty() && fs::equivalent(entry.path(), excluded, same)) continue;
        std::string reason = unportableNameReason(name);
        if (!reason.empty()) {
            error = "cannot pack " + utf8Of(entry.path()) + ": " + reason;
            return false;
        }
        uint64_t size = entry.file_size(ec);
        if (ec) {
            error = "cannot read " + utf8Of(entry.path()) + ": " + ec.message();
            return false;
        }
        files.push_back({entry.path(), name, size});
    }
    if (ec) {
        error = "cannot read the folder " + utf8Of(folder) + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.memberName < b.memberName; });
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const auto& f : files) names.push_back(f.memberName);
    if (const auto clashes = caseClashes(names); !clashes.empty()) {
        error = "cannot pack " + utf8Of(folder) + ": " + caseClashText(clashes.front());
        return false;
    }
    return true;
}

bool checkLauncher(const std::vector<SourceFile>& files, const std::string& installerName, std::string& error,
                   std::vector<std::string>& warnings) {
    // The launcher folder, which needs an .exe and a .kiv: Windows\ when it exists, else
    // Windows_Pure_64_Bit\.
    std::string top;
    for (const char* candidate : {"windows/", "windows_pure_64_bit/"}) {
        for (const auto& f : files)
            if (lower(f.memberName).rfind(candidate, 0) == 0) {
                top = f.memberName.substr(0, std::strlen(candidate));
                break;
            }
        if (!top.empty()) break;
    }
    if (top.empty()) {
        error = "no launcher: the folder holds neither Windows/ nor Windows_Pure_64_Bit/ with files in it";
        return false;
    }
    std::string firstExe, firstKiv;
    for (const auto& f : files) {
        if (f.memberName.size() <= top.size() || f.memberName.compare(0, top.size(), top) != 0) continue;
        std::string rest = f.memberName.substr(top.size());
        if (rest.find('/') != std::string::npos) continue;
        std::string l = lower(rest);
        if (endsWith(l, ".exe") && firstExe.empty()) firstExe = rest;
        if (endsWith(l, ".kiv") && firstKiv.empty()) firstKiv = rest;
    }
    if (firstExe.empty()) {
        error = "no launcher: " + top + " holds no .exe file (expected " + top + installerName + ".exe)";
        return false;
    }
    if (firstKiv.empty()) {
        error = "no launcher properties: " + top + " holds no .kiv file (expected " + top + installerName + ".kiv)";
        return false;
    }
    // Which launcher the installer starts, and whether it is named after the installer, is the
    // folder check's finding: it runs before every packing.
    return true;
}

namespace {

// What pack writes, decided and read before the output is opened: the payload's
// files in order, their total size, and the stub (and the launcher when
// branded) as they go in.
struct PackPlan {
  std::string installerName;
  std::vector<SourceFile> files;
  uint64_t total = 0;
  Bytes stubBytes;
  Bytes launcherBytes; // the branded launcher, when one is packed from memory
  std::string brandedMember; // its member name; empty when none
};

bool writeFailed(const PackOptions &options, std::string &error) {
  error =
      "cannot write " + utf8Of(options.output) + ": " + std::strerror(errno);
  return false;
}

bool tooLarge(std::string &error) {
  error = "the installer would be larger than 2 GiB, which the self-extractor "
          "cannot read";
  return false;
}

bool planPack(const PackOptions &options, PackPlan &plan, std::string &error,
              std::vector<std::string> &warnings) {
  plan.installerName = *installerNameOf(utf8Of(options.output.filename()));

  std::error_code ec;
  if (!fs::is_regular_file(options.stub, ec)) {
    error =
        "the stub " + utf8Of(options.stub) + " does not exist or is not a file";
    return false;
  }
  File stub = openFile(options.stub, "rb");
  if (!stub) {
    error = "cannot read the stub " + utf8Of(options.stub) + ": " +
            std::strerror(errno);
    return false;
  }
  if (!collectFiles(options.folder, options.output, plan.files, error,
                    warnings))
    return false;
  if (!checkLauncher(plan.files, plan.installerName, error, warnings))
    return false;
  if (plan.files.size() > kMaxMembers) {
    error = "too many files: " + std::to_string(plan.files.size()) +
            " (at most 65535)";
    return false;
  }
  for (const auto &f : plan.files) {
    if (f.size >= kMaxInstallerSize) {
      error = "cannot pack " + utf8Of(f.path) +
              ": files must be smaller than 2 GiB";
      return false;
    }
    plan.total += f.size;
  }

  // The stub, read whole: it must be a Windows program of at least 1 KiB, and
  // it is branded before anything is written.
  if (!readWhole(stub.get(), plan.stubBytes)) {
    error = plan.stubBytes.size() >= kMaxInstallerSize
                ? "the stub " + utf8Of(options.stub) + " is larger than 2 GiB"
                : "cannot read the stub " + utf8Of(options.stub) + ": " +
                      std::strerror(errno);
    return false;
  }
  if (plan.stubBytes.size() < 2 || plan.stubBytes[0] != 'M' ||
      plan.stubBytes[1] != 'Z') {
    error = "the stub " + utf8Of(options.stub) + " is not a Windows program";
    return false;
  }
  if (plan.stubBytes.size() < 1024) {
    error = "the stub " + utf8Of(options.stub) + " is not a Windows program (" +
            std::to_string(plan.stubBytes.size()) + " bytes)";
    return false;
  }
  if (!brandStub(plan.stubBytes, options.branding,
                 "the stub " + utf8Of(options.stub),
                 utf8Of(options.output.filename()), error,
                 options.identity ? &*options.identity : nullptr))
    return false;
  // The launcher the installer starts goes into the payload branded; the file
  // stays as it is.
  if (options.branding.any() && options.brandPayloadLauncher) {
    std::vector<std::string> names;
    names.reserve(plan.files.size());
    for (const auto &f : plan.files)
      names.push_back(f.memberName);
    plan.brandedMember = chosenLauncher(names, plan.installerName);
    const auto source = std::find_if(
        plan.files.begin(), plan.files.end(), [&](const SourceFile &f) {
          return f.memberName == plan.brandedMember;
        });
    if (source == plan.files.end()) {
      error = "no launcher to brand in the folder";
      return false;
    }
    File launcher = openFile(source->path, "rb");
    if (!launcher || !readWhole(launcher.get(), plan.launcherBytes)) {
      error = "cannot read the launcher " + utf8Of(source->path) + ": " +
              std::strerror(errno);
      return false;
    }
    if (!brandLauncher(plan.launcherBytes, options.branding,
                       "the launcher " + utf8Of(source->path),
                       utf8Of(source->path.filename()), error))
      return false;
    plan.total = plan.total - source->size + plan.launcherBytes.size();
  }

  return true;
}

// One member: its local header, its data deflated from the file (or the branded
// launcher in memory), then its data descriptor; m gets the sizes and CRC the
// central directory repeats.
bool writeMember(Writer &writer, const PackOptions &options,
                 const PackPlan &plan, const SourceFile &f, ZipRecord &m,
                 std::vector<unsigned char> &buffer,
                 std::vector<unsigned char> &packed, uint64_t &done,
                 const ProgressFunction &progress, std::string &error) {
  const bool fromMemory = f.memberName == plan.brandedMember;
  size_t memoryAt = 0;
  File in = fromMemory ? File(nullptr, std::fclose) : openFile(f.path, "rb");
  if (!in && !fromMemory) {
    error = "cannot read " + utf8Of(f.path) + ": " + std::strerror(errno);
    return false;
  }
  z_stream z{};
  if (deflateInit2(&z, options.level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    error = "cannot start the deflate engine";
    return false;
  }
  std::unique_ptr<z_stream, int (*)(z_stream *)> zOwner(&z, deflateEnd);
  uLong crc = crc32(0, nullptr, 0);
  uint64_t size = 0, compressed = 0;
  int flush = Z_NO_FLUSH;
  do {
    size_t n = 0;
    if (fromMemory) {
      n = std::min(buffer.size(), plan.launcherBytes.size() - memoryAt);
      std::copy_n(plan.launcherBytes.begin() +
                      static_cast<std::ptrdiff_t>(memoryAt),
                  n, buffer.begin());
      memoryAt += n;
    } else {
      n = std::fread(buffer.data(), 1, buffer.size(), in.get());
    }
    if (!fromMemory && std::ferror(in.get())) {
      error = "cannot read " + utf8Of(f.path) + ": " + std::strerror(errno);
      return false;
    }
    crc = crc32(crc, buffer.data(), static_cast<uInt>(n));
    size += n;
    if (size >= kMaxInstallerSize) {
      error = "cannot pack " + utf8Of(f.path) +
              ": files must be smaller than 2 GiB";
      return false;
    }
    const bool ended = fromMemory ? memoryAt == plan.launcherBytes.size()
                                  : std::feof(in.get()) != 0;
    flush = ended ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = buffer.data();
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = packed.data();
      z.avail_out = static_cast<uInt>(packed.size());
      deflate(&z, flush);
      size_t produced = packed.size() - z.avail_out;
      if (!writer.write(packed.data(), produced))
        return writeFailed(options, error);
      compressed += produced;
    } while (z.avail_out == 0);
    done += n;
    if (progress)
      progress(std::min(done, plan.total), plan.total);
    if (writer.position() > kMaxInstallerSize)
      return tooLarge(error);
  } while (flush != Z_FINISH);
  m.crc = static_cast<uint32_t>(crc);
  m.size = static_cast<uint32_t>(size);
  m.compressedSize = static_cast<uint32_t>(compressed);
  return writer.write(dataDescriptor(m)) || writeFailed(options, error);
}

// The central directory of the members written, its end record and the trailer
// naming where the stub ends.
bool writeDirectory(Writer &writer, const PackOptions &options,
                    const std::vector<ZipRecord> &records,
                    uint64_t archiveStart, uint64_t stubSize,
                    std::string &error) {
  const uint64_t directoryOffset = writer.position() - archiveStart;
  for (const auto &m : records)
    if (!writer.write(centralRecord(m)))
      return writeFailed(options, error);
  const uint64_t directorySize =
      writer.position() - archiveStart - directoryOffset;
  if (!writer.write(endRecord(static_cast<uint32_t>(records.size()),
                              static_cast<uint32_t>(directorySize),
                              static_cast<uint32_t>(directoryOffset))))
    return writeFailed(options, error);
  if (!writer.write(trailer(stubSize)))
    return writeFailed(options, error);
  if (writer.position() > kMaxInstallerSize)
    return tooLarge(error);
  return true;
}

} // namespace

bool pack(const PackOptions &options, const ProgressFunction &progress,
          std::string &error, std::vector<std::string> &warnings) {
  PackPlan plan;
  if (!planPack(options, plan, error, warnings))
    return false;

  TemporaryOutput out(options.output);
  if (!out.path().empty())
    out.file = openFile(out.path(), "wb");
  if (!out.file)
    return writeFailed(options, error);
  std::setvbuf(out.file.get(), nullptr, _IOFBF, 1 << 20);
  Writer writer(out.file.get());

  if (!writer.write(plan.stubBytes.data(), plan.stubBytes.size()))
    return writeFailed(options, error);
  const uint64_t stubSize = plan.stubBytes.size();
  std::vector<unsigned char> buffer(1 << 16), packed(1 << 16);
  if (!writer.write(payloadHeader(plan.installerName)))
    return writeFailed(options, error);
  const uint64_t archiveStart = writer.position();

  std::vector<ZipRecord> records;
  records.reserve(plan.files.size());
  uint64_t done = 0;
  for (const auto &f : plan.files) {
    ZipRecord m =
        memberRecord(f.memberName, static_cast<uint32_t>(records.size() + 1));
    DosStamp stamp = options.sourceDateEpoch
                         ? dosStampOfEpoch(*options.sourceDateEpoch)
                         : stampOf(f.path);
    m.dosDate = stamp.date;
    m.dosTime = stamp.time;
    m.localHeaderOffset =
        static_cast<uint32_t>(writer.position() - archiveStart);
    if (!writer.write(localHeader(m)))
      return writeFailed(options, error);
    if (!writeMember(writer, options, plan, f, m, buffer, packed, done,
                     progress, error))
      return false;
    records.push_back(std::move(m));
  }
  if (!writeDirectory(writer, options, records, archiveStart, stubSize, error))
    return false;
  if (std::fflush(out.file.get()) != 0)
    return writeFailed(options, error);
  return out.commit(options.output, error);
}

} // namespace ruvo_pack

#pragma once
// The byte layout of a shipped installer: stub, payload header, a ZIP archive whose offsets
// count from its own first byte, and the trailer. Pure functions over bytes and values.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/ruvo_pack/zip_records.h"

namespace ruvo_pack {

constexpr uint32_t kSignature = 0x004E3E5Bu;  // "[>N" and a zero byte
constexpr size_t kLauncherFieldSize = 1024;
constexpr size_t kPayloadHeaderSize = 4 + kLauncherFieldSize;
constexpr size_t kExtraFieldSize = 11;
constexpr uint16_t kVersion = 20;
constexpr uint16_t kFlags = 0x0808;  // data descriptor follows; names are UTF-8
constexpr uint16_t kDeflate = 8;
constexpr uint32_t kMaxMembers = 0xFFFF;
// The engine addresses the whole file with signed 32-bit positions.
constexpr uint64_t kMaxInstallerSize = 0x7FFFFFFFull;

struct DosStamp {
    uint16_t date, time;
};
// Local calendar time to DOS fields, clamped to the range DOS dates can hold (1980-2107).
DosStamp dosStampOf(int year, int month, int day, int hour, int minute, int second);
// Seconds since 1970-01-01 00:00 UTC as a DOS stamp in UTC, so that the stamp does not depend
// on the packing machine's time zone; clamped like dosStampOf.
DosStamp dosStampOfEpoch(int64_t seconds);

// Every member carries an 11-byte extra field: a well-formed block (our own header id "RV",
// length 7) whose data are seven printable hexadecimal digits, the member's number. ZIP tools
// skip it; a block of digits alone would break their extra-field parsing.
constexpr uint16_t kExtraHeaderId = 0x5652;
std::string extraFieldFor(uint32_t memberNumber);
// A payload member's record before its data is known: our version, flags and method, the
// extra field in both headers, no attributes.
ZipRecord memberRecord(const std::string& name, uint32_t memberNumber);
std::string payloadHeader(const std::string& installerName);
std::string trailer(uint64_t stubSize);

// The installer name: the output file's base name without ".exe" (any case); none when the
// output does not name an .exe file.
std::optional<std::string> installerNameOf(const std::string& outputFileName);

// Why a member name (relative, '/'-separated, UTF-8) cannot be extracted on Windows, or
// empty when it can.
std::string unportableNameReason(const std::string& name);

}  // namespace ruvo_pack

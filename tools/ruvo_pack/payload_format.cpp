#include "tools/ruvo_pack/payload_format.h"

#include <cstdio>

#include "common/byte_order.h"
#include "common/member_name_rule.h"
#include "common/text_convert.h"
#include "tools/ruvo_pack/payload_names.h"

namespace ruvo_pack {
namespace {

bool validUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        if (c < 0x80) n = 0;
        else if (c >= 0xC2 && c <= 0xDF) n = 1;
        else if (c >= 0xE0 && c <= 0xEF) n = 2;
        else if (c >= 0xF0 && c <= 0xF4) n = 3;
        else return false;
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

DosStamp dosStampOf(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1980) return {static_cast<uint16_t>((1 << 5) | 1), 0};
    if (year > 2107) return {static_cast<uint16_t>((127 << 9) | (12 << 5) | 31), static_cast<uint16_t>((23 << 11) | (59 << 5) | 29)};
    return {static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day),
            static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2))};
}

DosStamp dosStampOfEpoch(int64_t seconds) {
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    // Civil date of a day count (proleptic Gregorian), after Howard Hinnant's days_from_civil.
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1980) return dosStampOf(1979, 1, 1, 0, 0, 0);
    if (year > 2107) return dosStampOf(2108, 1, 1, 0, 0, 0);
    return dosStampOf(static_cast<int>(year), month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                      static_cast<int>(rest % 60));
}

std::string extraFieldFor(uint32_t memberNumber) {
    std::string out;
    velmora::appendLe16(out, kExtraHeaderId);
    velmora::appendLe16(out, kExtraFieldSize - 4);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07x", static_cast<unsigned>(memberNumber & 0xFFFFFFFu));
    return out + std::string(digits, kExtraFieldSize - 4);
}

ZipRecord memberRecord(const std::string& name, uint32_t memberNumber) {
    ZipRecord record;
    record.name = name;
    record.versionMadeBy = kVersion;
    record.versionNeeded = kVersion;
    record.flags = kFlags;
    record.method = kDeflate;
    record.localExtra = record.centralExtra = extraFieldFor(memberNumber);
    return record;
}

std::string payloadHeader(const std::string& installerName) {
    std::string out;
    velmora::appendLe32(out, kSignature);
    std::string path = "Windows\\" + installerName + ".exe";
    path.resize(kLauncherFieldSize, '\0');
    return out + path;
}

std::string trailer(uint64_t stubSize) {
    std::string out;
    velmora::appendLe32(out, static_cast<uint32_t>(stubSize - 1024));
    return out;
}

std::optional<std::string> installerNameOf(const std::string& outputFileName) {
    std::string base = outputFileName;
    size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos) base = base.substr(slash + 1);
    if (base.size() <= 4) return std::nullopt;
    if (velmora::asciiLower(std::string_view(base).substr(base.size() - 4)) != ".exe") return std::nullopt;
    return base.substr(0, base.size() - 4);
}

std::string unportableNameReason(const std::string& name) {
    if (name.empty()) return "empty name";
    if (!validUtf8(name)) return "not valid UTF-8";
    if (name.size() > 0xFFFF) return "name too long";
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part.empty()) return "empty path component";
        if (part == "." || part == "..") return "'.' or '..' component";
        for (unsigned char c : part) {
            if (c < 32) return "control character";
            if (std::string("<>:\"|?*\\").find(static_cast<char>(c)) != std::string::npos)
                return std::string("character '") + static_cast<char>(c) + "' is not allowed in Windows file names";
        }
        if (part.back() == '.' || part.back() == ' ') return "ends with a dot or a blank";
        // What is left for the installer's own rule to refuse is a device name.
        if (!velmora::isSafeMemberName(widenedUtf8(part))) return "'" + part + "' is a device name on Windows";
        start = end + 1;
    }
    return {};
}

}  // namespace ruvo_pack

#pragma once
// The languages whose progress dialog and string table ruvo.exe carries.
#include <windows.h>

namespace velmora::test {

struct Language {
    const char* tag;
    LANGID id;
    bool rightToLeft;
};

inline constexpr Language kEnglish = {"en", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), false};
inline constexpr Language kLanguages[] = {
    kEnglish,
    {"ca", MAKELANGID(LANG_CATALAN, SUBLANG_NEUTRAL), false},
    {"cs", MAKELANGID(LANG_CZECH, SUBLANG_NEUTRAL), false},
    {"da", MAKELANGID(LANG_DANISH, SUBLANG_NEUTRAL), false},
    {"de", MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), false},
    {"el", MAKELANGID(LANG_GREEK, SUBLANG_NEUTRAL), false},
    {"es", MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), false},
    {"fi", MAKELANGID(LANG_FINNISH, SUBLANG_NEUTRAL), false},
    {"fr", MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), false},
    {"hu", MAKELANGID(LANG_HUNGARIAN, SUBLANG_NEUTRAL), false},
    {"it", MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), false},
    {"ja", MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL), false},
    {"ko", MAKELANGID(LANG_KOREAN, SUBLANG_NEUTRAL), false},
    {"nl", MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL), false},
    {"nb", MAKELANGID(LANG_NORWEGIAN, SUBLANG_NEUTRAL), false},
    {"pl", MAKELANGID(LANG_POLISH, SUBLANG_NEUTRAL), false},
    {"ru", MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL), false},
    {"sv", MAKELANGID(LANG_SWEDISH, SUBLANG_NEUTRAL), false},
    {"th", MAKELANGID(LANG_THAI, SUBLANG_NEUTRAL), false},
    {"tr", MAKELANGID(LANG_TURKISH, SUBLANG_NEUTRAL), false},
    {"id", MAKELANGID(LANG_INDONESIAN, SUBLANG_NEUTRAL), false},
    {"sl", MAKELANGID(LANG_SLOVENIAN, SUBLANG_NEUTRAL), false},
    {"eu", MAKELANGID(LANG_BASQUE, SUBLANG_NEUTRAL), false},
    {"ar_sa", MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), true},
    {"zh_tw", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), false},
    {"he", MAKELANGID(LANG_HEBREW, SUBLANG_DEFAULT), true},
    {"pt_br", MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN), false},
    {"zh_cn", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), false},
    {"pt_pt", MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE), false},
    {"fr_ca", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_CANADIAN), false},
};

}  // namespace velmora::test

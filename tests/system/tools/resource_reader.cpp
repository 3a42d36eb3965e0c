// Reads a program's resources through Windows' own functions, for the branding tests:
//   resource_reader version FILE               every version text and the fixed numbers
//   resource_reader strings FILE ID...         LoadStringW in the process's UI language
//   resource_reader strings-in FILE LANGID ID... the strings of one language's table (LANGID in hex)
//   resource_reader dialog FILE NAME LANGID    the caption and control texts of a dialog template
//   resource_reader icon FILE GROUP SIZE OUT   the image LoadImageW takes at SIZE; its bytes to OUT
//   resource_reader checksum FILE              the header's checksum and the one computed
//   resource_reader texts FILE                 every resource of every type, language by language:
//                                              "TYPE/NAME/LANG=" and its bytes read as UTF-16 and as bytes
// Texts are written in UTF-8, one "key=value" per line; exit code 1 on a failure.
#include <windows.h>
#include <imagehlp.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "tests/support/string_table.h"

using namespace velmora;

namespace {

std::string utf8(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

int fail(const char* what) {
    std::fprintf(stderr, "resource_reader: %s failed (%lu)\n", what, ::GetLastError());
    return 1;
}

struct IconTraits {
    using Value = HICON;
    static Value invalid() { return nullptr; }
    static void close(Value v) { ::DestroyIcon(v); }
};
struct BitmapTraits {
    using Value = HBITMAP;
    static Value invalid() { return nullptr; }
    static void close(Value v) { ::DeleteObject(v); }
};
using Module = UniqueModule;

Module loadAsData(const wchar_t* path) {
    return Module(::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

int version(const wchar_t* path) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return fail("GetFileVersionInfoSizeW");
    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoW(path, 0, size, info.data())) return fail("GetFileVersionInfoW");
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation))
        return fail("VerQueryValueW(Translation)");
    for (const wchar_t* key : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
                               L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        wchar_t query[128];
        std::swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, key);
        wchar_t* value = nullptr;
        if (::VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&value), &length))
            std::printf("%s=%s\n", utf8(key).c_str(), utf8(value).c_str());
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    if (!::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) return fail("VerQueryValueW(\\)");
    std::printf("FixedFileVersion=%lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF);
    std::printf("FixedProductVersion=%lu.%lu.%lu.%lu\n", fixed->dwProductVersionMS >> 16,
                fixed->dwProductVersionMS & 0xFFFF, fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF);
    return 0;
}

int strings(const wchar_t* path, int count, wchar_t** ids) {
    Module module = loadAsData(path);
    if (!module) return fail("LoadLibraryExW");
    for (int i = 0; i < count; ++i) {
        wchar_t text[510];
        const UINT id = static_cast<UINT>(std::wcstoul(ids[i], nullptr, 10));
        const int n = ::LoadStringW(module.get(), id, text, 510);
        std::printf("%u=%s\n", id, utf8(std::wstring(text, static_cast<size_t>(n))).c_str());
    }
    return 0;
}

int stringsIn(const wchar_t* path, const wchar_t* language, int count, wchar_t** ids) {
    Module module = loadAsData(path);
    if (!module) return fail("LoadLibraryExW");
    const auto langId = static_cast<WORD>(std::wcstoul(language, nullptr, 16));
    for (int i = 0; i < count; ++i) {
        const UINT id = static_cast<UINT>(std::wcstoul(ids[i], nullptr, 10));
        HRSRC block = ::FindResourceExW(module.get(), RT_STRING, test::stringBlockName(id), langId);
        if (!block) return fail("FindResourceExW");
        std::printf("%u=%s\n", id, utf8(test::stringInBlock(module.get(), block, id)).c_str());
    }
    return 0;
}

// The template's texts: caption first, then each control's text that is a string.
int dialog(const wchar_t* path, const wchar_t* name, const wchar_t* language) {
    Module module = loadAsData(path);
    if (!module) return fail("LoadLibraryExW");
    HRSRC found = ::FindResourceExW(module.get(), RT_DIALOG, name,
                                    static_cast<WORD>(std::wcstoul(language, nullptr, 16)));
    if (!found) return fail("FindResourceExW");
    const auto* p = static_cast<const WORD*>(::LockResource(::LoadResource(module.get(), found)));
    const auto* start = p;
    const bool ex = p[0] == 1 && p[1] == 0xFFFF;
    const DWORD style = ex ? *reinterpret_cast<const DWORD*>(p + 6) : *reinterpret_cast<const DWORD*>(p);
    const WORD items = ex ? p[8] : p[4];
    p += ex ? 13 : 9;
    auto skipTextOrNumber = [&] { p += *p == 0xFFFF ? 2 : *p == 0 ? 1 : std::wcslen(reinterpret_cast<const wchar_t*>(p)) + 1; };
    skipTextOrNumber();  // menu
    skipTextOrNumber();  // class
    std::wstring caption(reinterpret_cast<const wchar_t*>(p));
    std::printf("caption=%s\n", utf8(caption).c_str());
    p += caption.size() + 1;
    if (style & DS_SETFONT) {
        p += ex ? 3 : 1;
        p += std::wcslen(reinterpret_cast<const wchar_t*>(p)) + 1;
    }
    for (WORD i = 0; i < items; ++i) {
        p = start + ((p - start + 1) & ~1);  // DWORD boundary
        p += ex ? 10 : 8;
        const DWORD id = ex ? *reinterpret_cast<const DWORD*>(p) : *p;
        p += ex ? 2 : 1;
        skipTextOrNumber();  // class
        if (*p != 0xFFFF && *p != 0)
            std::printf("%lu=%s\n", id, utf8(reinterpret_cast<const wchar_t*>(p)).c_str());
        skipTextOrNumber();
        p += 1 + (*p + 1) / 2;  // creation data
    }
    return 0;
}

int icon(const wchar_t* path, const wchar_t* group, const wchar_t* sizeText, const wchar_t* out) {
    Module module = loadAsData(path);
    if (!module) return fail("LoadLibraryExW");
    const int size = static_cast<int>(std::wcstol(sizeText, nullptr, 10));
    const auto groupId = MAKEINTRESOURCEW(std::wcstoul(group, nullptr, 10));
    UniqueHandle<IconTraits> handle(static_cast<HICON>(::LoadImageW(module.get(), groupId, IMAGE_ICON, size, size, 0)));
    if (!handle) return fail("LoadImageW");
    ICONINFO info{};
    BITMAP bitmap{};
    if (!::GetIconInfo(handle.get(), &info)) return fail("GetIconInfo");
    UniqueHandle<BitmapTraits> color(info.hbmColor), mask(info.hbmMask);
    ::GetObjectW(color ? color.get() : mask.get(), sizeof bitmap, &bitmap);
    if (!color) bitmap.bmHeight /= 2;  // a mask-only icon holds both masks
    // The image the group offers for that size, as LoadImageW chooses it.
    HRSRC directory = ::FindResourceW(module.get(), groupId, RT_GROUP_ICON);
    if (!directory) return fail("FindResourceW(group)");
    auto* bytes = static_cast<BYTE*>(::LockResource(::LoadResource(module.get(), directory)));
    const int id = ::LookupIconIdFromDirectoryEx(bytes, TRUE, size, size, LR_DEFAULTCOLOR);
    HRSRC image = ::FindResourceW(module.get(), MAKEINTRESOURCEW(id), RT_ICON);
    if (!image) return fail("FindResourceW(icon)");
    UniqueFileHandle file(::CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), ::LockResource(::LoadResource(module.get(), image)),
                              ::SizeofResource(module.get(), image), &written, nullptr))
        return fail("WriteFile");
    std::printf("size=%ldx%ld\nid=%d\n", bitmap.bmWidth, bitmap.bmHeight, id);
    return 0;
}

int checksum(const wchar_t* path) {
    DWORD header = 0, computed = 0;
    if (::MapFileAndCheckSumW(path, &header, &computed) != CHECKSUM_SUCCESS) return fail("MapFileAndCheckSumW");
    std::printf("header=%08lx\ncomputed=%08lx\n", header, computed);
    return 0;
}

}  // namespace

std::wstring resourceId(LPCWSTR id) {
    return IS_INTRESOURCE(id) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(id)) : std::wstring(id);
}

// Printable ASCII of the bytes, each other byte as '.'.
std::string printable(const char* bytes, size_t n, size_t step) {
    std::string out;
    for (size_t i = 0; i + step <= n; i += step) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const bool wideHigh = step == 2 && bytes[i + 1] != 0;
        out += c >= 0x20 && c < 0x7F && !wideHigh ? static_cast<char>(c) : '.';
    }
    return out;
}

BOOL CALLBACK printLanguage(HMODULE m, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR) {
    HRSRC found = ::FindResourceExW(m, type, name, language);
    HGLOBAL loaded = found ? ::LoadResource(m, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    const size_t size = found ? ::SizeofResource(m, found) : 0;
    std::printf("%s/%s/%u=%s\n%s\n", utf8(resourceId(type)).c_str(), utf8(resourceId(name)).c_str(),
                static_cast<unsigned>(language), bytes ? printable(bytes, size, 2).c_str() : "",
                bytes ? printable(bytes, size, 1).c_str() : "");
    return TRUE;
}

BOOL CALLBACK printName(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR context) {
    return ::EnumResourceLanguagesW(m, type, name, printLanguage, context);
}

BOOL CALLBACK printType(HMODULE m, LPWSTR type, LONG_PTR context) {
    return ::EnumResourceNamesW(m, type, printName, context);
}

int texts(const wchar_t* path) {
    Module module = loadAsData(path);
    if (!module) return fail("LoadLibraryExW");
    return ::EnumResourceTypesW(module.get(), printType, 0) ? 0 : fail("EnumResourceTypesW");
}

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 2 ? argv[1] : L"";
    if (command == L"version" && argc == 3) return version(argv[2]);
    if (command == L"strings" && argc >= 4) return strings(argv[2], argc - 3, argv + 3);
    if (command == L"strings-in" && argc >= 5) return stringsIn(argv[2], argv[3], argc - 4, argv + 4);
    if (command == L"dialog" && argc == 5) return dialog(argv[2], argv[3], argv[4]);
    if (command == L"icon" && argc == 6) return icon(argv[2], argv[3], argv[4], argv[5]);
    if (command == L"checksum" && argc == 3) return checksum(argv[2]);
    if (command == L"texts" && argc == 3) return texts(argv[2]);
    std::fputs("usage: resource_reader version|strings|strings-in|dialog|icon|checksum|texts FILE ...\n", stderr);
    return 2;
}

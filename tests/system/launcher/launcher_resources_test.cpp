// The resources embedded in the built quillrun.exe, read back through the resource API.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/unique_handle.h"
#include "tests/support/string_table.h"
#include "tests/support/test_paths.h"

using namespace velmora;
using namespace velmora::test;

namespace {

class LauncherResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_.reset(::LoadLibraryExW(distProgram(L"quillrun.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module_.valid());
    }

    std::string resourceBytes(LPCWSTR type, LPCWSTR name) {
        HRSRC found = ::FindResourceW(module_.get(), name, type);
        if (!found) return {};
        HGLOBAL loaded = ::LoadResource(module_.get(), found);
        auto* data = static_cast<const char*>(::LockResource(loaded));
        return std::string(data, ::SizeofResource(module_.get(), found));
    }

    // The string of one language's table, or empty when that language lacks it.
    std::wstring stringOf(unsigned id, LANGID language) {
        return stringInBlock(module_.get(), ::FindResourceExW(module_.get(), RT_STRING, stringBlockName(id), language), id);
    }

    UniqueModule module_;
};

}  // namespace

TEST_F(LauncherResources, EnglishStringTable) {
    const LANGID en = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const std::pair<unsigned, const wchar_t*> expected[] = {
        {101, L"Could not find a valid Java virtual machine to load.\n\nYou may need to reinstall a supported Java "
              L"virtual machine."},
        {102, L"The Quillrun properties file is missing"},
        {103, L"Windows error %d occured while loading the Java VM"},
        {104, L"The Velmora properties file contains invalid information"},
        {105, L"Could not connect to the specified URL"},
        {106, L"JVM Download Error"},
        {109, L"Download of VM pack failed. Installer exiting..."},
        {110, L"Quillrun Error"},
        {111, L"Network Connection Error"},
        {112, L"JVM Extraction Error"},
        {113, L"Could not extract the downloaded VM pack. Installer exiting..."},
        {114, L"Downloading"},
        {115, L"Downloading Java Virtual Machine pack"},
        {116, L"Extracting"},
        {117, L"Extracting Java Virtual Machine pack"},
    };
    for (const auto& [id, text] : expected) EXPECT_EQ(stringOf(id, en), text) << id;
    EXPECT_EQ(stringOf(107, en), L"");
    EXPECT_EQ(stringOf(108, en), L"");
}

TEST_F(LauncherResources, EveryLanguageHasEveryMessage) {
    const LANGID languages[] = {10,   1025, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1038, 1040, 1041, 1042,
                                1043, 1044, 1045, 1046, 1049, 1051, 1053, 1054, 1055, 1057, 1060, 1069, 2052, 2070, 3084};
    const unsigned all[] = {101, 102, 103, 104, 105, 106, 109, 110, 111, 112, 113, 114, 115, 116, 117};
    const LANGID arabic = 1025;
    for (LANGID language : languages) {
        for (unsigned id : all) {
            std::wstring text = stringOf(id, language);
            // Arabic carries only the download and extraction texts; the rest fall back to English.
            bool expected = language != arabic || (id != 101 && id != 102 && id != 103 && id != 104 && id != 110);
            EXPECT_EQ(!text.empty(), expected) << "language " << language << " id " << id;
            if (id == 103 && expected) {
                EXPECT_NE(text.find(L"%d"), std::wstring::npos) << language;
            }
            if (id == 101 && expected) {
                EXPECT_NE(text.find(L"\n\n"), std::wstring::npos) << language;
            }
        }
        EXPECT_EQ(stringOf(107, language), L"") << language;
    }
}

TEST_F(LauncherResources, Manifest) {
    std::string manifest = resourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    for (const char* needle :
         {"name=\"Velmora.Launcher\"", "type=\"win32\"", "processorArchitecture=\"amd64\"", "version=\"1.0.0.0\"",
          "level=\"asInvoker\"", "uiAccess=\"false\"", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
          // Any window it shows is drawn at its monitor's scaling, not stretched.
          "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
          "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2"})
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
}

TEST_F(LauncherResources, IconGroupAndVersion) {
    EXPECT_FALSE(resourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1)).empty());

    const std::wstring path = distProgram(L"quillrun.exe");
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length));
    EXPECT_EQ(HIWORD(info->dwProductVersionMS), 1);
    wchar_t* company = nullptr;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\CompanyName",
                                 reinterpret_cast<void**>(&company), &length));
    EXPECT_STREQ(company, L"Velmora");
}

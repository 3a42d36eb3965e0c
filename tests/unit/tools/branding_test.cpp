#include <gtest/gtest.h>

#include <zlib.h>

#include "tests/unit/tools/pe_builder.h"
#include "tests/support/temp_folder.h"
#include "tools/ruvo_pack/branding.h"
#include "tools/ruvo_pack/icon_file.h"
#include "tools/ruvo_pack/pe_resources.h"
#include "tools/ruvo_pack/resource_texts.h"
#include "tools/ruvo_pack/version_resource.h"

using namespace ruvo_pack;
using namespace tool_test;
using namespace velmora::test;

namespace {

ResourceName id(uint16_t n) { return ResourceName::number(n); }

Bytes utf16z(const std::u16string& text) {
    Bytes b;
    for (char16_t c : text) b.insert(b.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
    b.insert(b.end(), {0, 0});
    return b;
}

// A string block whose first texts are `texts`, the rest empty.
Bytes stringBlock(const std::vector<std::u16string>& texts) {
    Bytes b;
    for (size_t i = 0; i < 16; ++i) {
        const std::u16string t = i < texts.size() ? texts[i] : u"";
        Bytes z = utf16z(t);
        z.resize(z.size() - 2);
        b.insert(b.end(), {static_cast<uint8_t>(t.size()), static_cast<uint8_t>(t.size() >> 8)});
        b.insert(b.end(), z.begin(), z.end());
    }
    return b;
}

// A dialog template with a caption, a font and two controls, extended or classic form.
Bytes dialogTemplate(bool extended, const std::u16string& caption, const std::u16string& text) {
    Bytes b;
    auto u16 = [&](uint32_t v) { put(b, b.size(), v, 2); };
    auto u32 = [&](uint32_t v) { put(b, b.size(), v, 4); };
    auto str = [&](const std::u16string& s) {
        Bytes z = utf16z(s);
        b.insert(b.end(), z.begin(), z.end());
    };
    auto align = [&] { b.resize((b.size() + 3) / 4 * 4, 0); };
    if (extended) {
        u16(1), u16(0xFFFF), u32(0), u32(0), u32(0x80C800C0u), u16(2);
    } else {
        u32(0x80C800C0u), u32(0), u16(2);
    }
    u16(50), u16(50), u16(293), u16(106);
    u16(0), u16(0), str(caption);
    u16(8);
    if (extended) u16(400), b.push_back(0), b.push_back(1);
    str(u"MS Sans Serif");
    for (const std::u16string& title : {text, std::u16string(u"Cancel")}) {
        align();
        if (extended) u32(0), u32(0), u32(0x50020000u);
        else u32(0x50020000u), u32(0);
        u16(55), u16(7), u16(196), u16(19);
        extended ? u32(1005) : u16(1005);
        u16(0xFFFF), u16(0x82), str(title), u16(0);
    }
    return b;
}

Bytes pngOf(uint32_t width, uint32_t height) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto chunk = [&](const std::string& type, const Bytes& data) {
        Bytes body(type.begin(), type.end());
        body.insert(body.end(), data.begin(), data.end());
        for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(data.size() >> s));
        b.insert(b.end(), body.begin(), body.end());
        const uint32_t crc = static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
        for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(crc >> s));
    };
    Bytes header;
    for (uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8) header.push_back(static_cast<uint8_t>(v >> s));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IEND", {});
    return b;
}

// An .ico of the given images (PNG data), its directory entries stating their sizes.
Bytes icoOf(const std::vector<Bytes>& pngs, const std::vector<uint32_t>& sizes) {
    Bytes b = {0, 0, 1, 0, static_cast<uint8_t>(pngs.size()), 0};
    uint32_t offset = static_cast<uint32_t>(6 + 16 * pngs.size());
    for (size_t i = 0; i < pngs.size(); ++i) {
        const size_t e = b.size();
        b.resize(e + 16, 0);
        b[e] = b[e + 1] = static_cast<uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]);
        put(b, e + 4, 1, 2);
        put(b, e + 6, 32, 2);
        put(b, e + 8, static_cast<uint32_t>(pngs[i].size()), 4);
        put(b, e + 12, offset, 4);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const auto& p : pngs) b.insert(b.end(), p.begin(), p.end());
    return b;
}

// The stub's resources in small: icon groups 108 and 110, a version, dialogs and strings in
// three languages (one of them writes the name in another script's sentence).
ResourceTree stubResources() {
    ResourceTree t;
    t.put({id(kTypeIcon), id(1), 0, 0, Bytes(40, 1)});
    t.put({id(kTypeIcon), id(2), 0, 0, Bytes(40, 2)});
    IconImage old;
    old.width = old.height = 32;
    old.data = Bytes(40, 1);
    t.put({id(kTypeGroupIcon), id(108), 0, 0, iconGroupData({old}, {1})});
    t.put({id(kTypeGroupIcon), id(110), 0, 0, iconGroupData({old}, {2})});
    VersionStamp v;
    v.texts = {{u"CompanyName", u"Velmora"}, {u"ProductName", u"Velmora start-up kit"}, {u"InternalName", u"ruvo"}};
    t.put({id(kTypeVersion), id(1), 0, 0, newVersionResource(v)});
    const std::pair<uint16_t, std::u16string> languages[] = {
        {0x09, u"Velmora is preparing to install..."},
        {0x19, u"Velmora готовится к установке..."},
        {0x0401, u"يستعد Velmora للتثبيت..."}};
    const ResourceName progressDialog{0, u"PROGRESSINDICATOR"};
    for (const auto& [language, text] : languages) {
        t.put({id(kTypeDialog), progressDialog, language, 0, dialogTemplate(language != 0x19, u"Velmora", text)});
        t.put({id(kTypeString), id(1), language, 0, stringBlock({u"", u"", u"", u"", u"", text})});
    }
    return t;
}

TEST(ResourceSection, ReadsWritesAndMovesTheRelocationsOnBothFormats) {
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        const ResourceTree original = stubResources();
        const BuiltPe pe = buildPe(stubRecipe(pe64, original));
        ResourceTree tree;
        std::string error;
        ASSERT_TRUE(readResources(pe.bytes, tree, error)) << error;
        EXPECT_EQ(tree.entries(), original.entries());

        tree.put({id(kTypeString), id(2), 0x09, 0, Bytes(9000, 'x')});  // grows past a page
        Bytes out;
        ASSERT_TRUE(writeResources(pe.bytes, tree, out, error)) << error;
        ResourceTree back;
        ASSERT_TRUE(readResources(out, back, error)) << error;
        EXPECT_EQ(back.entries(), tree.entries());
        // Everything before the resources stays; the relocations follow them unchanged.
        for (size_t i = 0; i < pe.rawOffset[1]; ++i)
            if (i < pe.optional + 64 || i >= pe.optional + 68) {
                const size_t h1 = pe.sectionTable + 40, dirs = pe.optional + (pe64 ? 112 : 96);
                const bool changed = (i >= h1 && i < h1 + 80) || (i >= dirs + 16 && i < dirs + 24) ||
                                     (i >= dirs + 40 && i < dirs + 44) || (i >= pe.optional + 8 && i < pe.optional + 12) ||
                                     (i >= pe.optional + 56 && i < pe.optional + 60);
                if (!changed) {
                    ASSERT_EQ(out[i], pe.bytes[i]) << "byte " << i;
                }
            }
        const size_t reloc = pe.sectionTable + 80;
        const uint32_t relocRva = get(out, reloc + 12, 4), relocRaw = get(out, reloc + 20, 4);
        const uint32_t treeSize = get(out, pe.sectionTable + 40 + 8, 4);
        EXPECT_GT(treeSize, 9000u);
        EXPECT_EQ(relocRva, pe.rva[1] + (treeSize + 0xFFF) / 0x1000 * 0x1000);
        EXPECT_EQ(get(out, pe.optional + (pe64 ? 112 : 96) + 40, 4), relocRva);
        EXPECT_TRUE(std::equal(out.begin() + relocRaw, out.begin() + relocRaw + 12, Bytes(12, 7).begin()));
        EXPECT_EQ(get(out, pe.optional + 56, 4), relocRva + 0x1000u);                      // SizeOfImage
        EXPECT_EQ(get(out, pe.optional + 8, 4) - get(pe.bytes, pe.optional + 8, 4),       // SizeOfInitializedData
                  get(out, pe.sectionTable + 40 + 16, 4) - get(pe.bytes, pe.sectionTable + 40 + 16, 4));
        EXPECT_EQ(out.size(), relocRaw + 512u);
        // Written again unchanged, the image is the same.
        Bytes twice;
        ASSERT_TRUE(writeResources(out, back, twice, error));
        EXPECT_EQ(twice, out);
    }
}

TEST(ResourceSection, AddsASectionWhenDataThatMustStayFollows) {
    // A data section, and sections that a relocation entry merely seems to name: any may be
    // addressed by code, so none moves; written again, the new last section is reused.
    const char* const layouts[] = {"data section", "empty relocation entry", "relocation entry past the count",
                                   "another entry in the resources"};
    for (const std::string layout : layouts) {
        SCOPED_TRACE(layout);
        PeRecipe recipe = stubRecipe(false, stubResources());
        recipe.sections[2] = {".data", Bytes(64, 5)};
        recipe.relocations = layout == "data section" ? -1 : 2;
        BuiltPe pe = buildPe(recipe);
        if (layout == "empty relocation entry") put(pe.bytes, pe.optional + 96 + 44, 0, 4);
        if (layout == "relocation entry past the count") put(pe.bytes, pe.optional + 92, 5, 4);
        if (layout == "another entry in the resources") {
            put(pe.bytes, pe.optional + 96 + 6 * 8, pe.rva[1] + 16, 4);  // a debug directory
            put(pe.bytes, pe.optional + 96 + 6 * 8 + 4, 28, 4);
        }
        ResourceTree tree;
        std::string error;
        ASSERT_TRUE(readResources(pe.bytes, tree, error));
        Bytes out;
        ASSERT_TRUE(writeResources(pe.bytes, tree, out, error)) << error;
        EXPECT_EQ(get(out, 0x46, 2), 4u);
        EXPECT_TRUE(std::equal(pe.bytes.begin() + pe.rawOffset[1], pe.bytes.end(), out.begin() + pe.rawOffset[1]));
        EXPECT_EQ(get(out, pe.sectionTable + 3 * 40 + 12, 4), pe.rva[2] + 0x1000u);
        ResourceTree back;
        ASSERT_TRUE(readResources(out, back, error));
        EXPECT_EQ(back.entries(), tree.entries());
        Bytes twice;
        ASSERT_TRUE(writeResources(out, back, twice, error)) << error;
        EXPECT_EQ(twice, out);
    }
}

TEST(ResourceSection, RefusesWhatItCannotReadOrPlace) {
    const ResourceTree tree = stubResources();
    struct Case {
        const char* name;
        std::function<void(PeRecipe&)> recipe;
        std::function<void(Bytes&, const BuiltPe&)> damage;
        bool onWrite;
        const char* reason;
    };
    const Case cases[] = {
        {"not MZ", nullptr, [](Bytes& b, const BuiltPe&) { b[0] = 'Z'; }, false, "not a Windows program"},
        {"no PE signature", nullptr, [](Bytes& b, const BuiltPe&) { b[0x41] = 'X'; }, false, "not a Windows program"},
        {"cut short", nullptr, [](Bytes& b, const BuiltPe&) { b.resize(0x60); }, false, "not a Windows program"},
        {"unknown optional header", nullptr, [](Bytes& b, const BuiltPe& pe) { put(b, pe.optional, 0x107, 2); },
         false, "not a PE32 or PE32+"},
        {"section beyond the file", nullptr,
         [](Bytes& b, const BuiltPe& pe) { put(b, pe.sectionTable + 40 + 20, 0x7FFFFF00, 4); }, false,
         "runs past the end"},
        {"directory loop", nullptr,
         [](Bytes& b, const BuiltPe& pe) { put(b, pe.rawOffset[1] + 20, 0x80000000u, 4); }, false, "malformed"},
        {"entry outside the section", nullptr,
         [](Bytes& b, const BuiltPe& pe) { put(b, pe.rawOffset[1] + 20, 0x8000FFF0u, 4); }, false, "malformed"},
        {"signed", [](PeRecipe& s) { s.signedImage = true; }, nullptr, true, "signed; brand it before signing"},
        {"entry outside every section", nullptr,
         [](Bytes& b, const BuiltPe& pe) {
             put(b, pe.optional + 96 + 6 * 8, 0x7FFF0000u, 4);
             put(b, pe.optional + 96 + 6 * 8 + 4, 28, 4);
         },
         true, "data directory entry 6 lies outside every section"},
        {"new section past 4 GiB", nullptr,
         [](Bytes& b, const BuiltPe& pe) { put(b, pe.sectionTable + 12, 0xFFFFEFFFu, 4); }, true, "exceed 4 GiB"},
        {"section table past the headers", nullptr,
         [](Bytes& b, const BuiltPe& pe) { put(b, pe.optional + 60, static_cast<uint32_t>(pe.sectionTable + 100), 4); },
         true, "section table overlaps"},
        {"appended data", [](PeRecipe& s) { s.overlay = Bytes(100, 1); }, nullptr, true,
         "100 bytes follow the last section"},
        {"no room for another section",
         [](PeRecipe& s) {
             s.sections[2] = {".data", Bytes(64, 5)};
             s.relocations = -1;
             s.spareSlots = 0;
         },
         nullptr, true, "no room for another section"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PeRecipe recipe = stubRecipe(false, tree);
        if (c.recipe) c.recipe(recipe);
        BuiltPe pe = buildPe(recipe);
        if (c.damage) c.damage(pe.bytes, pe);
        if (std::string(c.name) == "no room for another section") {
            // The table ends where the headers do: no slot is left.
            put(pe.bytes, pe.optional + 60, static_cast<uint32_t>(pe.sectionTable + 40 * recipe.sections.size()), 4);
        }
        ResourceTree read;
        std::string error;
        Bytes out = {42};
        const bool ok = readResources(pe.bytes, read, error) && writeResources(pe.bytes, read, out, error);
        EXPECT_FALSE(ok);
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(out, Bytes{42});  // nothing written
    }
}

TEST(ResourceTexts, ReplacesTheNameInDialogsStringsAndMessageTables) {
    const Replacements names = {{u"Velmora", u"Acme App"}, {u"Quillrun", u"Acme App"}};
    for (bool extended : {true, false}) {
        SCOPED_TRACE(extended ? "DIALOGEX" : "DIALOG");
        Bytes d = dialogTemplate(extended, u"Velmora", u"Velmora is preparing to install...");
        int count = 0;
        std::string error;
        ASSERT_TRUE(replaceInDialog(d, names, count, error)) << error;
        EXPECT_EQ(count, 2);
        EXPECT_EQ(dialogCaption(d), u"Acme App");
        EXPECT_EQ(d, dialogTemplate(extended, u"Acme App", u"Acme App is preparing to install..."));
    }
    Bytes block = stringBlock({u"Quillrun Error", u"", u"Файл свойств Velmora содержит"});
    int count = 0;
    std::string error;
    ASSERT_TRUE(replaceInStringBlock(block, names, count, error));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(stringBlockTexts(block)[0], u"Acme App Error");
    EXPECT_EQ(stringBlockTexts(block)[2], u"Файл свойств Acme App содержит");
    // A name that holds a kit name is put in once.
    EXPECT_EQ(replacedText(u"Velmora or Quillrun", {{u"Velmora", u"Quillrun Pro"}, {u"Quillrun", u"Quillrun Pro"}}),
              u"Quillrun Pro or Quillrun Pro");

    // A message table of one block: an 8-bit entry (ASCII) and a Unicode one.
    Bytes table = {1, 0, 0, 0, 104, 0, 0, 0, 105, 0, 0, 0, 16, 0, 0, 0};
    const std::string ansi = "Velmora file\0\0\0\0";
    put(table, table.size(), 4 + static_cast<uint32_t>(ansi.size()), 2), put(table, table.size(), 0, 2);
    table.insert(table.end(), ansi.begin(), ansi.end());
    Bytes wide = utf16z(u"Quillrun Error");
    put(table, table.size(), 4 + static_cast<uint32_t>(wide.size()), 2), put(table, table.size(), 1, 2);
    table.insert(table.end(), wide.begin(), wide.end());
    count = 0;
    ASSERT_TRUE(replaceInMessageTable(table, names, count, error)) << error;
    EXPECT_EQ(count, 2);
    const Bytes first = utf16z(u"Acme App file");
    EXPECT_EQ(get(table, 18, 2), 1u);  // widened to Unicode
    EXPECT_TRUE(std::equal(first.begin(), first.end(), table.begin() + 20));
    EXPECT_EQ(get(table, 16, 2) % 4, 0u);

    const Bytes broken[] = {Bytes{1, 0}, Bytes{5, 0, 'a'}};
    for (const auto& b : broken) {
        Bytes copy = b;
        EXPECT_FALSE(replaceInDialog(copy, names, count, error));
        EXPECT_FALSE(replaceInStringBlock(copy, names, count, error));
        EXPECT_FALSE(replaceInMessageTable(copy, names, count, error));
    }
}

TEST(BrandingOptions, RefusesValuesItCannotStamp) {
    TempFolder scratch;
    writeAll(scratch / "square.png", std::string(reinterpret_cast<const char*>(pngOf(48, 48).data()), pngOf(48, 48).size()));
    const Bytes wide = pngOf(64, 32), huge = pngOf(512, 512);
    Bytes damaged = pngOf(48, 48);
    damaged[20] ^= 1;
    const Bytes hugeIco = icoOf({pngOf(16, 16), huge}, {16, 256});
    Bytes outside = icoOf({pngOf(16, 16)}, {16});
    put(outside, 18, 5000, 4);
    auto file = [&](const char* name, const Bytes& b) {
        writeAll(scratch / name, std::string(b.begin(), b.end()));
        return (scratch / name);
    };
    struct Case {
        BrandingOptions options;
        const char* subject;
        const char* reason;
    };
    const Case cases[] = {
        {{.name = std::string(65, 'n')}, "--name", "65 characters long; the installer dialog's caption holds at most 64"},
        {{.name = std::string(20, 'n') + "\xD0\x96"}, nullptr, nullptr},  // 21 characters: sound
        {{.name = ""}, "--name", "empty"},
        {{.name = "Acme\nApp"}, "--name", "control character"},
        {{.name = "Acme \xC3"}, "--name", "not valid UTF-8"},
        {{.vendor = std::string(257, 'v')}, "--vendor", "257 characters long"},
        {{.appVersion = "1.2.3.4.5"}, "--app-version", "more than 4 numbers"},
        {{.appVersion = "1.70000"}, "--app-version", "at most 65535"},
        {{.appVersion = "1..2"}, "--app-version", "1 to 4 numbers"},
        {{.appVersion = "v2"}, "--app-version", "1 to 4 numbers"},
        {{.icon = scratch / "missing.ico"}, "the icon", "cannot be read"},
        {{.icon = file("text.ico", Bytes{'h', 'i', 0, 0, 0, 0, 0})}, "the icon", "neither an icon file"},
        {{.icon = file("wide.png", wide)}, "the icon", "64 x 32 pixels; an icon must be square"},
        {{.icon = file("huge.png", huge)}, "the icon", "512 x 512 pixels; an icon image has at most 256 x 256"},
        {{.icon = file("huge.ico", hugeIco)}, "the icon", "image 2 of the icon file is 512 x 512"},
        {{.icon = file("damaged.png", damaged)}, "the icon", "checksum"},
        {{.icon = file("outside.ico", outside)}, "the icon", "lies outside the file"},
        {{.icon = scratch / "square.png", .appVersion = "2.1"}, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto problems = checkBranding(c.options);
        if (!c.subject) {
            EXPECT_TRUE(problems.empty()) << formatProblem(problems.front());
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << c.reason;
        EXPECT_EQ(problems[0].subject.rfind(c.subject, 0), 0u) << problems[0].subject;
        EXPECT_NE(problems[0].text.find(c.reason), std::string::npos) << problems[0].text;
    }
    VersionNumbers n;
    std::string error;
    ASSERT_TRUE(parseVersionNumbers("65535.7", n, error));
    EXPECT_EQ(n, (VersionNumbers{65535, 7, 0, 0}));
}

TEST(BrandingOptions, TakesEachOptionAndItsValue) {
    const std::vector<std::string> arguments = {"--name", "Acme", "--icon", "a.ico", "--app-version", "1.2",
                                                "--vendor", "V", "--copyright", "C", "--description", "D", "--out",
                                                "--name"};
    BrandingOptions options;
    std::string error;
    size_t i = 0;
    for (; i < 12; ++i) ASSERT_TRUE(takeBrandingOption(arguments, i, options, error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(*options.name, "Acme");
    EXPECT_EQ(options.icon->string(), "a.ico");
    EXPECT_EQ(*options.appVersion + *options.vendor + *options.copyright + *options.description, "1.2VCD");
    EXPECT_FALSE(takeBrandingOption(arguments, i, options, error));
    ++i;
    EXPECT_TRUE(takeBrandingOption(arguments, i, options, error));
    EXPECT_EQ(error, "--name needs a value");
}

TEST(Branding, StampsIconsVersionAndNameOnTheStubAndTheLauncher) {
    TempFolder scratch;
    const Bytes ico = icoOf({pngOf(16, 16), pngOf(32, 32), pngOf(256, 256)}, {16, 32, 256});
    writeAll(scratch / "app.ico", std::string(ico.begin(), ico.end()));
    BrandingOptions options{.name = "Acme App", .icon = scratch / "app.ico", .appVersion = "2.1.0", .vendor = "Acme"};
    for (bool launcher : {false, true}) {
        SCOPED_TRACE(launcher ? "launcher" : "stub");
        const BuiltPe pe = buildPe(stubRecipe(true, stubResources()));
        Bytes image = pe.bytes;
        std::string error;
        ASSERT_TRUE(launcher ? brandLauncher(image, options, "the launcher x", "MyApp.exe", error)
                             : brandStub(image, options, "the stub x", "AcmeSetup.exe", error))
            << error;
        ResourceTree tree;
        ASSERT_TRUE(readResources(image, tree, error));
        // The first group (108, also the dialog's) holds the three images; 110 keeps its own.
        std::vector<uint16_t> ids;
        ASSERT_TRUE(iconGroupIds(tree.find(id(kTypeGroupIcon), id(108), 0)->data, ids));
        ASSERT_EQ(ids.size(), 3u);
        EXPECT_EQ(tree.find(id(kTypeIcon), id(ids[2]), 0)->data, pngOf(256, 256));
        EXPECT_EQ(tree.find(id(kTypeGroupIcon), id(108), 0)->data[6 + 2 * 14], 0u);  // 256 is written as 0
        ASSERT_TRUE(iconGroupIds(tree.find(id(kTypeGroupIcon), id(110), 0)->data, ids));
        EXPECT_EQ(tree.find(id(kTypeIcon), id(ids[0]), 0)->data, Bytes(40, 2));
        EXPECT_EQ(tree.ofType(id(kTypeIcon)).size(), 4u);  // the replaced image is gone

        const Bytes& version = tree.find(id(kTypeVersion), id(1), 0)->data;
        const std::pair<std::u16string, std::u16string> expected[] = {
            {u"ProductName", u"Acme App"}, {u"CompanyName", u"Acme"}, {u"FileVersion", u"2.1.0"},
            {u"ProductVersion", u"2.1.0"}, {u"InternalName", u"ruvo"},
            {u"FileDescription", launcher ? u"Acme App" : u"Acme App Setup"},
            {u"OriginalFilename", launcher ? u"MyApp.exe" : u"AcmeSetup.exe"}};
        for (const auto& [key, value] : expected) EXPECT_EQ(versionText(version, key), value);
        const size_t fixed = 40;  // after the header and "VS_VERSION_INFO"
        EXPECT_EQ(get(version, fixed, 4), 0xFEEF04BDu);
        EXPECT_EQ(get(version, fixed + 8, 4), 0x00020001u);
        EXPECT_EQ(get(version, fixed + 12, 4), 0u);
        EXPECT_EQ(get(version, fixed + 16, 4), 0x00020001u);

        for (const auto* d : tree.ofType(id(kTypeDialog))) EXPECT_EQ(dialogCaption(d->data), u"Acme App");
        EXPECT_EQ(stringBlockTexts(tree.find(id(kTypeString), id(1), 0x19)->data)[5], u"Acme App готовится к установке...");
        EXPECT_EQ(stringBlockTexts(tree.find(id(kTypeString), id(1), 0x0401)->data)[5], u"يستعد Acme App للتثبيت...");
    }
}

TEST(Branding, GivesAProgramWithoutResourcesAnIconAndAVersion) {
    TempFolder scratch;
    const Bytes png = pngOf(48, 48);
    writeAll(scratch / "app.png", std::string(png.begin(), png.end()));
    PeRecipe recipe;
    recipe.pe64 = true;
    recipe.sections = {{".text", Bytes(100, 0xC3), 0x60000020}};
    Bytes image = buildPe(recipe).bytes;
    std::string error;
    ASSERT_TRUE(brandLauncher(image, {.name = "Acme", .icon = scratch / "app.png"}, "x", "App.exe", error)) << error;
    ResourceTree tree;
    ASSERT_TRUE(readResources(image, tree, error));
    EXPECT_EQ(get(image, 0x46, 2), 2u);  // a new section holds them
    std::vector<uint16_t> ids;
    ASSERT_TRUE(iconGroupIds(tree.find(id(kTypeGroupIcon), id(1), 0x0409)->data, ids));
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(tree.find(id(kTypeIcon), id(ids[0]), 0x0409)->data, png);
    const Bytes& version = tree.find(id(kTypeVersion), id(1), 0x0409)->data;
    EXPECT_EQ(versionText(version, u"ProductName"), u"Acme");
    EXPECT_EQ(versionText(version, u"FileDescription"), u"Acme");
    EXPECT_EQ(versionText(version, u"OriginalFilename"), u"App.exe");
}

TEST(Branding, LeavesTheImageAsItIsWithoutOptionsAndOnRefusal) {
    const BuiltPe pe = buildPe(stubRecipe(false, stubResources()));
    Bytes image = pe.bytes;
    std::string error;
    ASSERT_TRUE(brandStub(image, {}, "the stub x", "A.exe", error));
    EXPECT_EQ(image, pe.bytes);
    image.push_back(1);  // appended data
    const Bytes before = image;
    EXPECT_FALSE(brandStub(image, {.name = "Acme"}, "the stub x.exe", "A.exe", error));
    EXPECT_EQ(error.rfind("the stub x.exe: cannot place the resources", 0), 0u) << error;
    EXPECT_EQ(image, before);
    EXPECT_FALSE(brandStub(image, {.appVersion = "1.x"}, "the stub x.exe", "A.exe", error));
    EXPECT_EQ(error.rfind("--app-version: '1.x' is not a version", 0), 0u) << error;
}

}  // namespace

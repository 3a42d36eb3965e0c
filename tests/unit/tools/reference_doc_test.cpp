// The settings reference and the checker's key table cannot drift apart: the page holds each
// table as the checker renders it, and every key the launcher or ruvo names in its sources is
// in the table.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "tests/support/temp_folder.h"
#include "tools/ruvo_pack/installer_keys.h"

namespace fs = std::filesystem;
using namespace ruvo_pack;

namespace {

const fs::path kSource = VELMORA_SOURCE_DIR;

TEST(ReferenceDoc, HoldsEveryTableAsTheCheckerRendersIt) {
    const std::string page = velmora::test::readAll(kSource / "docs/kiv-reference.md");
    ASSERT_FALSE(page.empty());
    for (KeyFile file : {KeyFile::Kiv, KeyFile::BuildOptions, KeyFile::SpecFile, KeyFile::InstallerProperties}) {
        const std::string table = referenceTable(file);
        EXPECT_NE(page.find(table), std::string::npos) << "docs/kiv-reference.md must hold this table:\n" << table;
    }
}

TEST(ReferenceDoc, TableHasEveryKeyTheProgramsName) {
    // Key names as literals ("kiv.user.dir", L"build.option"); prefixes that end in a dot
    // (kiv.nl.env., build.jvmspec.) are not keys of their own.
    const std::regex literal(R"re("((kiv|build)\.[A-Za-z0-9_.]*[A-Za-z0-9_])")re");
    // System properties the launcher sets for a program with plain arguments: not keys of a
    // file, but the page must name them.
    const std::set<std::string> programProperties = {"kiv.file", "kiv.runtime.file"};
    const std::string page = velmora::test::readAll(kSource / "docs/kiv-reference.md");
    for (const auto& name : programProperties) EXPECT_NE(page.find("`" + name + "`"), std::string::npos) << name;
    std::set<std::string> missing;
    for (const char* folder : {"launcher", "selfextract"})
        for (const auto& entry : fs::recursive_directory_iterator(kSource / folder)) {
            if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
            const std::string text = velmora::test::readAll(entry.path());
            for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it) {
                const std::string key = (*it)[1];
                if (!findKey(KeyFile::Kiv, key) && !findKey(KeyFile::BuildOptions, key) && !programProperties.count(key))
                    missing.insert(key + " (" + fs::relative(entry.path(), kSource).generic_string() + ")");
            }
        }
    EXPECT_EQ(missing, std::set<std::string>{});
    EXPECT_TRUE(findKey(KeyFile::BuildOptions, "build.jvmspec.0"));
}

}  // namespace

// The packer's resource-section reader and writer, and the readers of the resources it edits.
#include "fuzz_input.h"
#include "tools/ruvo_pack/icon_file.h"
#include "tools/ruvo_pack/pe_resources.h"
#include "tools/ruvo_pack/resource_texts.h"
#include "tools/ruvo_pack/version_resource.h"

using namespace ruvo_pack;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes image(data, data + size);
    std::string error;

    // The pieces read alone: never a crash, every refusal with its reason.
    std::vector<IconImage> images;
    if (!readIconFile(image, images, error)) FUZZ_CHECK(!error.empty());
    for (const auto& m : images) FUZZ_CHECK(m.width >= 1 && m.width <= 256 && m.height >= 1 && m.height <= 256);
    const Replacements names = {{u"Velmora", u"Acme App"}, {u"e", u""}};
    int count = 0;
    for (auto edit : {replaceInDialog, replaceInStringBlock, replaceInMessageTable}) {
        Bytes copy = image;
        error.clear();
        if (!edit(copy, names, count, error)) FUZZ_CHECK(!error.empty() && copy == image);
    }
    Bytes version = image;
    error.clear();
    if (!stampVersion(version, {{{u"ProductName", u"Acme App"}}, VersionNumbers{1, 2, 3, 4}, std::nullopt}, error))
        FUZZ_CHECK(!error.empty());

    // The resource tree: what reads writes back, and that output reads as the same tree and
    // writes back to the same bytes.
    ResourceTree tree;
    error.clear();
    if (!readResources(image, tree, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    Bytes once;
    if (!writeResources(image, tree, once, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    ResourceTree again;
    FUZZ_CHECK(readResources(once, again, error));
    FUZZ_CHECK(again.entries() == tree.entries());
    Bytes twice;
    FUZZ_CHECK(writeResources(once, again, twice, error));
    FUZZ_CHECK(twice == once);
    return 0;
}

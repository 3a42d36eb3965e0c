#include "tools/ruvo_pack/branding.h"

#include <algorithm>
#include <set>

#include "tools/ruvo_pack/icon_file.h"
#include "tools/ruvo_pack/manifest_text.h"
#include "tools/ruvo_pack/pe_resources.h"
#include "tools/ruvo_pack/resource_texts.h"
#include "tools/ruvo_pack/version_resource.h"

namespace ruvo_pack {
namespace {

enum class Role { Stub, Launcher };

constexpr uint16_t kWorkingIconGroup = 108;  // the self-extractor dialog's working icon
constexpr uint16_t kEnglishUs = 0x0409;

// The kit's own names as its resources write them in every language.
const char16_t* const kKitNames[] = {u"Velmora", u"Quillrun", u"Quillsetup"};

std::string utf8Of(const std::filesystem::path& p) {
    auto u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

std::u16string utf16(const std::string& text) {
    std::u16string out;
    utf16OfUtf8(text, out);  // checked before
    return out;
}

// Icon groups to replace: the dialog's working icon (stub) and the group Explorer shows,
// the first in the tree.
std::set<ResourceName> iconTargets(const ResourceTree& tree, Role role) {
    std::set<ResourceName> targets;
    const auto groups = tree.ofType(ResourceName::number(kTypeGroupIcon));
    if (!groups.empty()) targets.insert(groups.front()->name);
    for (const auto* g : groups)
        if (role == Role::Stub && g->name == ResourceName::number(kWorkingIconGroup)) targets.insert(g->name);
    if (targets.empty()) targets.insert(ResourceName::number(1));
    return targets;
}

void replaceIcons(ResourceTree& tree, Role role, const std::vector<IconImage>& images) {
    const ResourceName groupType = ResourceName::number(kTypeGroupIcon), iconType = ResourceName::number(kTypeIcon);
    const std::set<ResourceName> targets = iconTargets(tree, role);
    // The languages each target group exists in (a new group gets US English).
    std::vector<std::pair<ResourceName, uint16_t>> groups;
    std::set<uint16_t> freed, kept;
    for (const auto* g : tree.ofType(groupType)) {
        std::vector<uint16_t> ids;
        iconGroupIds(g->data, ids);
        if (targets.count(g->name)) {
            groups.emplace_back(g->name, g->language);
            freed.insert(ids.begin(), ids.end());
        } else {
            kept.insert(ids.begin(), ids.end());
        }
    }
    for (const auto& name : targets)
        if (std::none_of(groups.begin(), groups.end(), [&](const auto& g) { return g.first == name; }))
            groups.emplace_back(name, kEnglishUs);
    // Images only the replaced groups used go; their ids are used again first.
    std::set<uint16_t> used;
    std::vector<std::pair<ResourceName, uint16_t>> drop;
    for (const auto* icon : tree.ofType(iconType)) {
        const bool numbered = !icon->name.isText();
        if (numbered && freed.count(icon->name.id) && !kept.count(icon->name.id))
            drop.emplace_back(icon->name, icon->language);
        else if (numbered)
            used.insert(icon->name.id);
    }
    for (const auto& [name, language] : drop) tree.remove(iconType, name, language);
    uint16_t next = 1;
    auto freeId = [&] {
        while (used.count(next)) ++next;
        used.insert(next);
        return next;
    };
    for (const auto& [name, language] : groups) {
        std::vector<uint16_t> ids;
        for (const auto& image : images) {
            ids.push_back(freeId());
            tree.put({iconType, ResourceName::number(ids.back()), language, 0, image.data});
        }
        const ResourceEntry* old = tree.find(groupType, name, language);
        const uint32_t codePage = old ? old->codePage : 0;
        tree.put({groupType, name, language, codePage, iconGroupData(images, ids)});
    }
}

// The texts nothing else sets: the kit's company, copyright and internal name.
void stampIdentity(VersionStamp& stamp, const BrandingOptions& options) {
    if (!options.vendor) stamp.texts[u"CompanyName"] = u"";
    if (!options.copyright)
        stamp.texts[u"LegalCopyright"] = options.vendor ? u"Copyright (C) " + utf16(*options.vendor) : u"";
    if (options.name) stamp.texts[u"InternalName"] = utf16(*options.name);
}

bool rebrandManifests(ResourceTree& tree, const ProductIdentity& identity, const std::string& description,
                      std::string& reason) {
    bool failed = false;
    tree.forEachOfType(ResourceName::number(kTypeManifest), [&](ResourceEntry& e) {
        std::string text(e.data.begin(), e.data.end());
        if (failed || !rebrandManifest(text, identity.assemblyName, description, identity.asInvoker, reason)) {
            failed = true;
            return;
        }
        e.data.assign(text.begin(), text.end());
    });
    return !failed;
}

bool brand(Bytes& image, const BrandingOptions& options, const std::string& what, Role role,
           const std::string& fileName, std::string& error, const ProductIdentity* identity) {
    if (!options.any()) return true;
    const std::vector<BrandingProblem> problems = checkBranding(options);
    if (!problems.empty()) {
        error = problems.front().subject + ": " + problems.front().text;
        return false;
    }
    ResourceTree tree;
    std::string reason;
    if (!readResources(image, tree, reason)) {
        error = what + ": " + reason;
        return false;
    }
    if (options.icon) {
        std::vector<IconImage> images;
        if (!readIconOption(*options.icon, images, reason)) {
            error = "the icon " + utf8Of(*options.icon) + ": " + reason;
            return false;
        }
        replaceIcons(tree, role, images);
    }

    VersionStamp stamp;
    if (options.name) stamp.texts[u"ProductName"] = utf16(*options.name);
    if (options.vendor) stamp.texts[u"CompanyName"] = utf16(*options.vendor);
    if (options.copyright) stamp.texts[u"LegalCopyright"] = utf16(*options.copyright);
    if (options.description)
        stamp.texts[u"FileDescription"] = utf16(*options.description);
    else if (options.name)
        stamp.texts[u"FileDescription"] = utf16(*options.name) + (role == Role::Stub ? u" Setup" : u"");
    if (options.appVersion) {
        VersionNumbers numbers;
        parseVersionNumbers(*options.appVersion, numbers, reason);
        stamp.fileVersion = stamp.productVersion = numbers;
        stamp.texts[u"FileVersion"] = stamp.texts[u"ProductVersion"] = utf16(*options.appVersion);
    }
    stamp.texts[u"OriginalFilename"] = utf16(fileName);
    if (identity) stampIdentity(stamp, options);
    bool failed = false;
    const ResourceName versionType = ResourceName::number(kTypeVersion);
    if (tree.ofType(versionType).empty())
        tree.put({versionType, ResourceName::number(1), kEnglishUs, 0, newVersionResource(stamp)});
    else
        tree.forEachOfType(versionType, [&](ResourceEntry& e) { failed = failed || !stampVersion(e.data, stamp, reason); });

    if (options.name && !failed) {
        Replacements names;
        for (const char16_t* kit : kKitNames) names.emplace_back(kit, utf16(*options.name));
        int count = 0;
        tree.forEachOfType(ResourceName::number(kTypeDialog), [&](ResourceEntry& e) {
            failed = failed || !replaceInDialog(e.data, names, count, reason);
        });
        tree.forEachOfType(ResourceName::number(kTypeString), [&](ResourceEntry& e) {
            failed = failed || !replaceInStringBlock(e.data, names, count, reason);
        });
        tree.forEachOfType(ResourceName::number(kTypeMessageTable), [&](ResourceEntry& e) {
            failed = failed || !replaceInMessageTable(e.data, names, count, reason);
        });
    }
    if (identity && !failed) {
        const std::string description = options.description ? *options.description
                                        : options.name ? *options.name + (role == Role::Stub ? " Setup" : "")
                                                       : std::string();
        failed = !rebrandManifests(tree, *identity, description, reason);
    }
    Bytes out;
    if (failed || !writeResources(image, tree, out, reason)) {
        error = what + ": " + reason;
        return false;
    }
    image = std::move(out);
    return true;
}

}  // namespace

bool brandStub(Bytes& image, const BrandingOptions& options, const std::string& what,
               const std::string& outputFileName, std::string& error, const ProductIdentity* identity) {
    return brand(image, options, what, Role::Stub, outputFileName, error, identity);
}

bool brandLauncher(Bytes& image, const BrandingOptions& options, const std::string& what,
                   const std::string& launcherFileName, std::string& error, const ProductIdentity* identity) {
    return brand(image, options, what, Role::Launcher, launcherFileName, error, identity);
}

}  // namespace ruvo_pack

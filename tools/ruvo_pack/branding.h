#pragma once
// Stamps a product's name, icon and version on the self-extractor stub and on the launcher
// that goes into the payload. Bytes in, bytes out: the files on disk are never changed.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/ruvo_pack/branding_options.h"

namespace ruvo_pack {

using Bytes = std::vector<uint8_t>;

// Application mode ships no name of the kit's where no option gives one: CompanyName is the
// vendor's or empty, LegalCopyright the vendor's or empty, InternalName the product's, and the
// manifest's assembly is `assemblyName`, its description the file's.
struct ProductIdentity {
    std::string assemblyName;
    bool asInvoker = false;  // the manifest asks for no elevation (the stub's asks for the highest)
};

// The installer (stub) copy: icon group 108 and the file icon, the version resource with
// OriginalFilename `outputFileName`, and the kit's name in every dialog, string table and
// message table. Returns false with one line naming `what` and the reason; `image` is then
// unchanged. Without any branding option the image stays byte for byte.
bool brandStub(Bytes& image, const BrandingOptions& options, const std::string& what,
               const std::string& outputFileName, std::string& error, const ProductIdentity* identity = nullptr);

// The launcher in the payload: the file icon, the version resource (FileDescription defaults
// to the name) with OriginalFilename `launcherFileName`, and the kit's names in its texts.
bool brandLauncher(Bytes& image, const BrandingOptions& options, const std::string& what,
                   const std::string& launcherFileName, std::string& error, const ProductIdentity* identity = nullptr);

}  // namespace ruvo_pack

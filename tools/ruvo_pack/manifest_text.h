#pragma once
// The application manifest (resource RT_MANIFEST) as text: its own assembly's name, its
// description and the execution level it asks for, replaced without touching anything else.
#include <string>

namespace ruvo_pack {

constexpr unsigned kTypeManifest = 24;

// Replaces, in `manifest`, the name of the assembly's own identity (the first assemblyIdentity,
// not a dependency's), the text of its description when it has one and, with `asInvoker`, the
// requested execution level. False with the reason, `manifest` unchanged, when the manifest has
// no identity of its own or a level that cannot be read.
bool rebrandManifest(std::string& manifest, const std::string& assemblyName, const std::string& description,
                     bool asInvoker, std::string& error);

// The text with & < > " escaped for XML.
std::string xmlEscaped(const std::string& text);

}  // namespace ruvo_pack

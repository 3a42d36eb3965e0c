#include "tools/ruvo_pack/manifest_text.h"

namespace ruvo_pack {
namespace {

// The value of attribute `name` inside the tag starting at `tag`: its first and last byte
// (exclusive), or false.
bool attributeSpan(const std::string& text, size_t tag, const std::string& name, size_t& begin, size_t& end) {
    const size_t close = text.find('>', tag);
    if (close == std::string::npos) return false;
    for (size_t at = text.find(name, tag); at != std::string::npos && at < close; at = text.find(name, at + 1)) {
        const char before = text[at - 1];
        if (before != ' ' && before != '\t' && before != '\r' && before != '\n') continue;
        size_t equals = at + name.size();
        while (equals < close && (text[equals] == ' ' || text[equals] == '\t')) ++equals;
        if (equals >= close || text[equals] != '=') continue;
        size_t quote = equals + 1;
        while (quote < close && (text[quote] == ' ' || text[quote] == '\t')) ++quote;
        if (quote >= close || (text[quote] != '"' && text[quote] != '\'')) return false;
        const size_t last = text.find(text[quote], quote + 1);
        if (last == std::string::npos || last > close) return false;
        begin = quote + 1;
        end = last;
        return true;
    }
    return false;
}

// The first "<element" followed by a space, '/' or '>' at or after `from`.
size_t elementAt(const std::string& text, const std::string& element, size_t from = 0) {
    const std::string open = "<" + element;
    for (size_t at = text.find(open, from); at != std::string::npos; at = text.find(open, at + 1)) {
        const size_t next = at + open.size();
        if (next < text.size() && (text[next] == ' ' || text[next] == '/' || text[next] == '>' || text[next] == '\t' ||
                                   text[next] == '\r' || text[next] == '\n'))
            return at;
    }
    return std::string::npos;
}

}  // namespace

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

bool rebrandManifest(std::string& manifest, const std::string& assemblyName, const std::string& description,
                     bool asInvoker, std::string& error) {
    std::string text = manifest;
    // The assembly's own identity comes before any <dependency>.
    const size_t identity = elementAt(text, "assemblyIdentity");
    const size_t dependency = elementAt(text, "dependency");
    size_t begin = 0, end = 0;
    if (identity == std::string::npos || (dependency != std::string::npos && dependency < identity) ||
        !attributeSpan(text, identity, "name", begin, end)) {
        error = "the manifest names no assembly of its own";
        return false;
    }
    text.replace(begin, end - begin, xmlEscaped(assemblyName));
    if (const size_t at = elementAt(text, "description"); at != std::string::npos) {
        const size_t open = text.find('>', at), close = text.find("</description>", at);
        if (open != std::string::npos && close != std::string::npos && open < close && text[open - 1] != '/')
            text.replace(open + 1, close - open - 1, xmlEscaped(description));
    }
    if (asInvoker) {
        const size_t level = elementAt(text, "requestedExecutionLevel");
        // Without one, the program asks for no elevation already.
        if (level != std::string::npos) {
            if (!attributeSpan(text, level, "level", begin, end)) {
                error = "the manifest's requestedExecutionLevel has no readable level";
                return false;
            }
            text.replace(begin, end - begin, "asInvoker");
        }
    }
    manifest = std::move(text);
    return true;
}

}  // namespace ruvo_pack

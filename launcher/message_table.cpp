#include "launcher/message_table.h"

#include <windows.h>

#include "launcher/launcher_errors.h"

namespace velmora::launcher {
namespace {

constexpr int kMaxMessage = 255;  // what a 256-character load buffer holds

// A string of one language's table; empty when that language lacks it.
std::wstring loadStringOfLanguage(HMODULE module, unsigned id, LANGID language) {
    HRSRC block = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!block) return {};
    HGLOBAL loaded = ::LoadResource(module, block);
    auto* entry = loaded ? static_cast<const WCHAR*>(::LockResource(loaded)) : nullptr;
    if (!entry) return {};
    for (unsigned i = 0; i < id % 16; ++i) entry += 1 + *entry;
    std::wstring text(entry + 1, *entry);
    if (text.size() > kMaxMessage) text.resize(kMaxMessage);
    return text;
}

}  // namespace

MessageTable& MessageTable::instance() {
    static MessageTable table;
    return table;
}

const std::wstring& MessageTable::get(unsigned id) {
    if (auto it = cache_.find(id); it != cache_.end()) return it->second;
    HMODULE module = ::GetModuleHandleW(nullptr);
    wchar_t buffer[kMaxMessage + 1];
    int length = ::LoadStringW(module, id, buffer, kMaxMessage + 1);
    std::wstring text(buffer, length > 0 ? length : 0);
    // A translation that lacks the identifier falls back to the English table, so that
    // an error can always be reported.
    if (text.empty()) text = loadStringOfLanguage(module, id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (text.empty()) throw StringTableException();
    return cache_.emplace(id, std::move(text)).first->second;
}

const std::wstring& message(unsigned id) { return MessageTable::instance().get(id); }

}  // namespace velmora::launcher

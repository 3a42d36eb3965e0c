#pragma once
// Replacing words in the texts of dialog templates, string tables and message tables, the
// resources rebuilt around the new lengths.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ruvo_pack {

using Bytes = std::vector<uint8_t>;
using Replacements = std::vector<std::pair<std::u16string, std::u16string>>;

// Every occurrence of each `first` by its `second`, in order of the list.
std::u16string replacedText(std::u16string text, const Replacements& replacements);

// Each returns false with the reason when the resource is malformed or a text would no longer
// fit its length field; `count` grows by the texts changed.
bool replaceInDialog(Bytes& dialog, const Replacements& replacements, int& count, std::string& error);
bool replaceInStringBlock(Bytes& block, const Replacements& replacements, int& count, std::string& error);
bool replaceInMessageTable(Bytes& table, const Replacements& replacements, int& count, std::string& error);

// The caption of a dialog template, or the 16 texts of a string block (empty on a malformed one).
std::u16string dialogCaption(const Bytes& dialog);
std::vector<std::u16string> stringBlockTexts(const Bytes& block);

}  // namespace ruvo_pack

#include "compiler/text_match.h"

namespace packager {

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool Contains(std::string_view field, std::string_view word) {
  return field.find(word) != std::string_view::npos;
}

bool ContainsFittingWordAnyCase(std::string_view field, std::string_view word) {
  // Candidates are found by the first letter alone: a letter in either
  // case is the lower-case one with bit 0x20 set, which nothing else is.
  const char first = FoldAscii(word[0]);
  const bool letter = first >= 'a' && first <= 'z';
  const auto starts = [first, letter](char c) {
    return (letter ? static_cast<char>(c | 0x20) : c) == first;
  };
  const std::size_t last_start = field.size() - word.size();
  for (std::size_t at = 0; at <= last_start; ++at) {
    if (!starts(field[at])) continue;
    std::size_t same = 1;
    while (same < word.size() && FoldAscii(field[at + same]) == FoldAscii(word[same])) ++same;
    if (same == word.size()) return true;
  }
  return false;
}

}  // namespace packager

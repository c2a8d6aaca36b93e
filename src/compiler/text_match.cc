#include "compiler/text_match.h"

#include <cstddef>

namespace packager {

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool Contains(std::string_view field, std::string_view word) {
  return field.find(word) != std::string_view::npos;
}

// Every keyword of a text is tested against every record kind: the first
// letter is looked for before the rest is compared.
bool ContainsAnyCase(std::string_view field, std::string_view word) {
  if (word.empty()) return true;
  if (word.size() > field.size()) return false;
  const char first = FoldAscii(word[0]);
  for (std::size_t at = 0; at + word.size() <= field.size(); ++at) {
    if (FoldAscii(field[at]) != first) continue;
    std::size_t matched = 1;
    while (matched < word.size() && FoldAscii(field[at + matched]) == FoldAscii(word[matched])) {
      ++matched;
    }
    if (matched == word.size()) return true;
  }
  return false;
}

}  // namespace packager

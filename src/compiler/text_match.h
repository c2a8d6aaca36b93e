// Keyword tests of the description readers: containment, in exact case or in
// any letter case (ASCII letters fold; other bytes compare as they are).
#pragma once

#include <string_view>

namespace packager {

bool Contains(std::string_view field, std::string_view word);

// ContainsAnyCase for a word no longer than the field.
bool ContainsFittingWordAnyCase(std::string_view field, std::string_view word);

// Inline, since most fields a word is looked for in are shorter than it.
inline bool ContainsAnyCase(std::string_view field, std::string_view word) {
  if (word.empty()) return true;
  return field.size() >= word.size() && ContainsFittingWordAnyCase(field, word);
}

}  // namespace packager

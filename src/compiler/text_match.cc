#include "compiler/text_match.h"

#include <algorithm>

namespace packager {

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool Contains(std::string_view field, std::string_view word) {
  return field.find(word) != std::string_view::npos;
}

bool ContainsAnyCase(std::string_view field, std::string_view word) {
  const auto found = std::search(field.begin(), field.end(), word.begin(), word.end(),
                                 [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
  return found != field.end() || word.empty();
}

}  // namespace packager

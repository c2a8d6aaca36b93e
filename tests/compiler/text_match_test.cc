#include "compiler/text_match.h"

#include <string_view>

#include <gtest/gtest.h>

namespace packager {
namespace {

TEST(TextMatchTest, AnyCaseFoldsAsciiLettersOnly) {
  const struct {
    std::string_view field;
    std::string_view word;
    bool any_case;
  } cases[] = {
      {"CURVAD3", "curva", true},
      {"xcurCurvA", "curva", true},    // a false start, then the match
      {"abcurv", "curva", false},      // the word would run past the end
      {"curva", "CURVA", true},
      {"", "", true},
      {"x", "", true},
      {"", "a", false},
      {"@x", "`x", false},             // 0x40 and 0x60 are no letter pair
      {"`X", "`x", true},
      {"[GENERALE]", "[generale]", true},
      {"\xC9t\xE9", "\xE9T\xC9", false},  // bytes past ASCII keep their case
      {"pendenza ", "enza  ", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ContainsAnyCase(c.field, c.word), c.any_case) << c.field << " / " << c.word;
  }
}

}  // namespace
}  // namespace packager

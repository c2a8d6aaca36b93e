#include "compiler/text_match.h"

#include <string_view>

#include <gtest/gtest.h>

namespace packager {
namespace {

using namespace std::string_view_literals;

TEST(TextMatchTest, AnyCaseFoldsAsciiLettersOnly) {
  const struct {
    std::string_view field;
    std::string_view word;
    bool any_case;
  } cases[] = {
      {"CURVAD3", "curva", true},
      {"xcurCurvA", "curva", true},  // a false start, then the match
      {"abcurv", "curva", false},    // the word would run past the end
      {"curva", "CURVA", true},
      {"", "", true},
      {"x", "", true},
      {"", "a", false},
      {"@x", "`x", false},  // 0x40 and 0x60 are no letter pair
      {"`X", "`x", true},
      {"[GENERALE]", "[generale]", true},
      {"\xC9t\xE9", "\xE9T\xC9", false},  // bytes past ASCII keep their case
      {"pendenza ", "enza  ", false},
      // Longer fields, passed over eight bytes at a time.
      {"----------------------CurvaS", "curvas", true},
      {"----------------------Curva", "curvas", false},
      {"segnale  segnale  segnaLE", "nalE", true},
      {"abcdefghijklmnopqrstuvwxyzC", "c!", false},
      {"\x01\x00\x01\x00\x01\x00\x01\x00\x01\x00"
       "ab"sv,
       "A", true},
      {"\x41\x41\x41\x41\x41\x41\x41\x41\x41!", "a!", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ContainsAnyCase(c.field, c.word), c.any_case) << c.field << " / " << c.word;
  }
}

}  // namespace
}  // namespace packager

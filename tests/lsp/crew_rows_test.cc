#include "lsp/crew_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace packager::lsp {
namespace {

// A mark as "metres@begin-end", to compare lists at a glance.
std::string Text(const KilometreMark& mark) {
  return std::to_string(mark.metres) + "@" + std::to_string(mark.begin) + "-" +
         std::to_string(mark.end);
}

TEST(CrewRows, KilometresOfFreeText) {
  struct Case {
    const char* line;
    std::vector<std::string> marks;
  };
  const Case cases[] = {
      {"al km 1+750 il segnale", {"1750@3-11"}},
      {"Km 10+750 e KM 0+000", {"10750@0-9", "0@12-20"}},
      {"km12+350", {"12350@0-8"}},
      {"al km 1+7500 nulla", {}},   // four decimals: no kilometre
      {"skm 1+750", {}},            // a word ending in km
      {"km +750", {}},              // no whole kilometres
      {"1+750 senza km", {}},       // no km before it
      {"km 1+75", {}},              // cut short at the end
  };
  for (const Case& c : cases) {
    std::vector<std::string> found;
    for (const KilometreMark& mark : KilometresNamed(c.line)) found.push_back(Text(mark));
    EXPECT_EQ(found, c.marks) << c.line;
  }
}

TEST(CrewRows, KilometreOfSheetRow) {
  struct Case {
    const char* line;
    const char* mark;  // "" for none
  };
  const Case cases[] = {
      {"  |  90 |  90 |  1.750  |  Segnale", "1750@17-22"},
      {"  |     |     |106.200 /|\\ SCALO", "106200@15-22"},
      {"  | 12.05 |", ""},        // a time, two decimals
      {"  |  1.7500 |", ""},      // four decimals
      {"  | Rec 0.5 |", ""},
  };
  for (const Case& c : cases) {
    const std::optional<KilometreMark> mark = KilometreIn(c.line);
    EXPECT_EQ(mark ? Text(*mark) : "", c.mark) << c.line;
  }
}

}  // namespace
}  // namespace packager::lsp

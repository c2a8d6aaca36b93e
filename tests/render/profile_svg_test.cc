#include <cstdint>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "render/profile_svg.h"
#include "tables/scenario_tables.h"

namespace packager::render {
namespace {

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST(ProfileSvgTest, CloseLabelsTakeLanesOfTheirOwn) {
  ScenarioTables tables;
  tables.route_cells.Create(100);
  tables.scenario_table[kTrainValuesEntry].end = 4000;
  // Two boards 50 m apart with long captions, and a station under them.
  for (const auto& [cell, entry, caption] : std::vector<std::tuple<int, int, std::string>>{
           {20, 80, "(Galleria)(Monte Lungo)(m 1240)"}, {21, 79, "(P.L.)(Km 1+052) A&B <C>"}}) {
    tables.route_cells.at(cell).kind = kCellIndicatorBoard;
    tables.route_cells.at(cell).param1 = static_cast<std::int16_t>(entry);
    tables.scenario_table[static_cast<std::size_t>(entry)].text = caption;
  }
  tables.scenario_table[1] = {11, 750, 1350, 1000, 0,  "STAZIONE", 2, 1,
                              3,  1,   1,    0,    30, 1,          1, 43920};
  const std::string svg = ProfileSvg(tables, "T");
  static const std::regex kLabel(
      "<text class=\"(caption|station-name)\" x=\"[-0-9.]+\" "
      "y=\"([-0-9.]+)\"[^>]*>([^<]*)");
  std::set<std::string> heights;
  for (auto match = std::sregex_iterator(svg.begin(), svg.end(), kLabel);
       match != std::sregex_iterator(); ++match) {
    heights.insert((*match)[2]);
  }
  EXPECT_EQ(heights.size(), 3u) << svg;
  // No caption here has a run of blanks: none is written to keep them.
  EXPECT_EQ(Occurrences(svg, "xml:space"), 0u);
  EXPECT_EQ(Occurrences(svg, ">(P.L.)(Km 1+052) A&amp;B &lt;C&gt;</text>"), 1u);
  EXPECT_EQ(Occurrences(svg, "class=\"mark station stop\" data-km=\"1.000\""), 1u);
  EXPECT_EQ(Occurrences(svg,
                        "<tspan dx=\"4.0\" fill=\"#555555\" font-weight=\"normal\">"
                        "12:12:00</tspan>"),
            1u);
}

// A caption keeps its blanks as the board shows them: "(P.L.    )".
TEST(ProfileSvgTest, ACaptionKeepsItsBlanks) {
  ScenarioTables tables;
  tables.route_cells.Create(100);
  tables.scenario_table[kTrainValuesEntry].end = 4000;
  tables.route_cells.at(40).kind = kCellIndicatorBoard;
  tables.route_cells.at(40).param1 = 80;
  tables.scenario_table[80].text = "(P.L.    )";
  const std::string svg = ProfileSvg(tables, "T");
  EXPECT_EQ(Occurrences(svg, "xml:space=\"preserve\">(P.L.    )<"),
            1u);
}

// Each signal's sides as stored: a head left of the post for the left side,
// right of it for the right side, a disc for kind 1 and a ring for kind 2;
// a side of kind 0 has no head and reads "none".
TEST(ProfileSvgTest, SignalsShowTheKindOfEachSideAndAdhesionItsStretches) {
  ScenarioTables tables;
  tables.route_cells.Create(100);
  tables.scenario_table[kTrainValuesEntry].end = 4000;
  for (std::int64_t n = 0; n <= 100; ++n) {
    tables.route_cells.at(n).adhesion = n >= 40 && n < 50 ? 85 : 100;
  }
  const struct {
    int cell, sides;
    const char* title;
    const char* heads;  // the heads drawn, left to right: d disc, r ring
    bool last_right;    // the last head stands right of the post
  } kSignals[] = {
      {10, 7, "signal, km 0.500, left kind 2, right kind 1", "rd", true},
      {20, 3, "signal, km 1.000, left kind 1, right none", "d", false},
      {30, 2, "signal, km 1.500, left none, right kind 2", "r", true},
  };
  for (const auto& signal : kSignals) {
    tables.route_cells.at(signal.cell).kind = kCellSignal;
    tables.route_cells.at(signal.cell).param4 = static_cast<std::int16_t>(signal.sides);
  }
  // The first signal's marks; the others have none.
  for (int mark = 1; mark <= 4; ++mark) {
    tables.route_cells.at(10 - 2 * mark).approach_mark = static_cast<std::uint8_t>(70 + mark);
  }
  const std::string svg = ProfileSvg(tables, "T");
  EXPECT_EQ(Occurrences(svg, "class=\"mark approach-mark\""), 4u);
  EXPECT_EQ(Occurrences(svg, "<title>approach mark 1 (71), km 0.400</title>"), 1u);
  static const std::regex kHead(R"re(<circle cx="([-0-9.]+)" cy="[-0-9.]+" r="([0-9.]+)")re");
  for (const auto& signal : kSignals) {
    const std::size_t mark = svg.find(std::string("<title>") + signal.title + "</title>");
    ASSERT_NE(mark, std::string::npos) << signal.title;
    const std::string shapes = svg.substr(mark, svg.find("</g>", mark) - mark);
    std::string heads;
    double last_x = -1;
    for (auto head = std::sregex_iterator(shapes.begin(), shapes.end(), kHead);
         head != std::sregex_iterator(); ++head) {
      EXPECT_GT(std::stod((*head)[1]), last_x) << signal.title;
      last_x = std::stod((*head)[1]);
      heads += (*head)[2] == "3.8" ? "d" : "r";
    }
    EXPECT_EQ(heads, signal.heads) << signal.title;
    const double post = std::stod(shapes.substr(shapes.find("x1=\"") + 4));
    EXPECT_EQ(last_x > post, signal.last_right) << signal.title;
  }
  for (const char* stretch :
       {"class=\"adhesion\" data-from-km=\"0.000\" data-to-km=\"2.000\" data-value=\"100\"",
        "class=\"adhesion lower\" data-from-km=\"2.000\" data-to-km=\"2.500\" data-value=\"85\"",
        "class=\"adhesion\" data-from-km=\"2.500\" data-to-km=\"4.000\" data-value=\"100\""}) {
    EXPECT_EQ(Occurrences(svg, stretch), 1u) << stretch;
  }
}

}  // namespace
}  // namespace packager::render

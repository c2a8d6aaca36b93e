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
  EXPECT_EQ(Occurrences(svg, ">(P.L.)(Km 1+052) A&amp;B &lt;C&gt;</text>"), 1u);
  EXPECT_EQ(Occurrences(svg, "class=\"mark station stop\" data-km=\"1.000\""), 1u);
  EXPECT_EQ(Occurrences(svg,
                        "<tspan dx=\"4.0\" fill=\"#555555\" font-weight=\"normal\">"
                        "12:12:00</tspan>"),
            1u);
}

}  // namespace
}  // namespace packager::render

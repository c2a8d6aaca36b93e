#include <cstdint>
#include <initializer_list>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "render/report_page.h"

namespace packager::render {
namespace {

tool::Diagnostic Noted(tool::Severity severity, const std::string& message) {
  tool::Diagnostic diagnostic;
  diagnostic.severity = severity;
  diagnostic.path = "S/<line>.txt";
  diagnostic.line = 0;  // no context to read
  diagnostic.message = message;
  diagnostic.rule = severity == tool::Severity::kError ? "E100" : "late-record";
  return diagnostic;
}

TEST(ReportPageTest, ARefusedFolderHasTheCheckAndNothingCompiled) {
  const std::string page =
      ReportPage("a&b", {Noted(tool::Severity::kError, "no <train>")}, nullptr, nullptr);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_NE(page.find("<title>Scenario report: scenario report</title>"), std::string::npos);
  EXPECT_NE(page.find("Scenario folder a&amp;b</p>"), std::string::npos);
  EXPECT_NE(page.find("data-errors=\"1\" data-warnings=\"0\""), std::string::npos);
  EXPECT_NE(page.find("S/&lt;line&gt;.txt</span>: <b>error</b>: no &lt;train&gt; [E100]"),
            std::string::npos);
  for (const char* part : {"<h2>Profile</h2>", "<h2>Plan</h2>", "id=\"stations\"", "<svg"}) {
    EXPECT_EQ(page.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(page.substr(page.size() - 16), "</body>\n</html>\n");
}

TEST(ReportPageTest, AFolderMessageShowsNoEmptyRule) {
  tool::Diagnostic missing = Noted(tool::Severity::kError, "missing; the folder must hold it");
  missing.rule.clear();
  const std::string page = ReportPage("S", {missing}, nullptr, nullptr);
  EXPECT_NE(page.find("<b>error</b>: missing; the folder must hold it\n"), std::string::npos)
      << page;
  EXPECT_EQ(page.find("[]"), std::string::npos) << page;
}

TEST(ReportPageTest, CountsAndNamesRulesOfBothSeverities) {
  const std::string page =
      ReportPage("S",
                 {Noted(tool::Severity::kWarning, "late"), Noted(tool::Severity::kWarning, "later"),
                  Noted(tool::Severity::kError, "bad")},
                 nullptr, nullptr);
  EXPECT_NE(page.find("<span class=\"error\">1 error</span><span class=\"warning\">2 warnings"),
            std::string::npos);
  EXPECT_NE(page.find("<b>warning</b>: late [-Wlate-record]"), std::string::npos);
  const std::string clean = ReportPage("S", {}, nullptr, nullptr);
  EXPECT_NE(clean.find("<span class=\"clean\">0 errors</span><span class=\"clean\">0 warnings"),
            std::string::npos);
}

TEST(ReportPageTest, NoRouteGridNoPictures) {
  ScenarioTables tables;
  tables.scenario_name = "S";
  tables.train_number = "1";
  const CompileOutcome outcome{};
  const std::string page = ReportPage("S", {}, &tables, &outcome);
  EXPECT_NE(page.find("<h1>S 1</h1>"), std::string::npos);
  EXPECT_EQ(page.find("<h2>Profile</h2>"), std::string::npos);
}

// ---- the tables of a small scenario held in memory

// A grid of 40 cells: speeds 0 then 60 km/h from cell 2 (the train's line 9,
// 60 km/h written again by line 10 from cell 20); a 5 per mille gradient
// from cell 10 on; adhesion 100 with a damp stretch of 85 at cells 12 to 15;
// a mountain of type 2 at cells 30 to 33; a signal whose right side holds
// nothing, two of its approach marks and a station's mark left alone; a
// board with no left side; a slowdown with its warning, an
// orientation board, the packager's points before and inside it and an
// abbattimento record's point after it.
struct SmallScenario {
  ScenarioTables tables;
  ReadingLog log;
  CompileOutcome outcome;

  SmallScenario() {
    RouteGrid& grid = tables.route_cells;
    grid.Create(39);
    const auto write = [&](const char* file, int line, const char* record, CellPart part,
                           std::int64_t first, std::int64_t last, int value) {
      log.OnCellWrite({{file, line, record}, part, first, last, value});
    };
    for (std::int64_t n = 0; n <= 39; ++n) {
      RouteCell& cell = grid.at(n);
      cell.speed_code = n >= 2 && n <= 36 ? 12 : 0;
      cell.gradient_code = n < 10 ? 100 : 105;
      cell.adhesion = n >= 12 && n <= 15 ? 85 : 100;
      cell.mountain_kind = n >= 30 && n <= 33 ? 2 : 0;
    }
    write("T-.txt", 0, "velocita", CellPart::kSpeedCode, 0, 1, 0);
    write("T-.txt", 9, "velocita", CellPart::kSpeedCode, 2, 19, 12);
    write("T-.txt", 10, "velocita", CellPart::kSpeedCode, 20, 36, 12);
    write("L.txt", 7, "pendenza", CellPart::kGradientCode, 10, 36, 105);
    write("T-.txt", 4, "aderenza", CellPart::kAdhesion, 12, 15, 85);
    write("L.txt", 12, "montagna", CellPart::kMountainKind, 30, 33, 2);

    RouteCell& signal = grid.at(8);  // sx 2, codes 4 1 0, no right side
    signal.kind = kCellSignal;
    signal.param1 = 40;
    signal.param2 = 10;
    signal.param4 = 6;
    write("T-.txt", 30, "segnale", CellPart::kObject, 8, 8, kCellSignal);
    // Two of its approach marks, and a station's mark whose stop point is gone.
    for (const auto& [n, mark, line] : {std::tuple{6, 61, 30}, {4, 62, 30}, {20, 81, 50}}) {
      grid.at(n).approach_mark = static_cast<std::uint8_t>(mark);
      write("T-.txt", line, line == 30 ? "segnale" : "stazione", CellPart::kApproachMark, n, n,
            mark);
    }
    RouteCell& board = grid.at(5);  // right side only: 50/50/40 km/h, 1 stripe
    board.kind = kCellSpeedBoard;
    board.param1 = 10;
    board.param2 = 10;
    board.param3 = 8;
    board.param4 = 1;
    write("L.txt", 20, "indicatori_vmax", CellPart::kObject, 5, 5, kCellSpeedBoard);
    const std::initializer_list<std::tuple<int, std::uint8_t, std::int16_t, int>> objects = {
        {6, kCellOrientationBoard, 1, 40}, {7, kCellSlowdownWarning, 30, 40},
        {27, kCellAbbattimento, 180, 0},   {29, kCellSlowdownStart, 30, 40},
        {30, kCellAbbattimento, 180, 0},   {31, kCellSlowdownEnd, 30, 40},
        {33, kCellPlainAbbattimento, 0, 44}};
    for (const auto& [n, kind, param1, line] : objects) {
      grid.at(n).kind = kind;
      grid.at(n).param1 = param1;
      write(line > 0 ? "T-.txt" : "", line, line > 0 ? "train record" : kPackagerWalk,
            CellPart::kObject, n, n, kind);
    }
  }
};

// The rows of the table `id` of the page, header left out, each the texts of
// its cells joined by '|'; a cell that says a side holds nothing reads "(none)".
std::vector<std::string> RowsOf(const std::string& page, const std::string& id) {
  static const std::regex kCell("<td( class=\"none\")?[^>]*>([^<]*)</td>");
  std::vector<std::string> rows;
  const std::size_t table = page.find("<table id=\"" + id + "\"");
  if (table == std::string::npos) return {"no table " + id};
  const std::size_t end = page.find("</table>", table);
  for (std::size_t at = page.find("<tr><td", table); at < end; at = page.find("<tr><td", at + 1)) {
    const std::string row = page.substr(at, page.find("</tr>", at) - at);
    std::string texts;
    for (auto cell = std::sregex_iterator(row.begin(), row.end(), kCell);
         cell != std::sregex_iterator(); ++cell) {
      texts += (texts.empty() ? "" : "|") +
               ((*cell)[1].matched ? "(" + (*cell)[2].str() + ")" : (*cell)[2].str());
    }
    rows.push_back(texts);
  }
  return rows;
}

TEST(ReportPageTest, AProfileOfACompileStoppedByAFaultSaysItIsPartial) {
  SmallScenario scenario;
  const std::string whole = ReportPage("S", {}, &scenario.tables, &scenario.outcome, &scenario.log);
  EXPECT_EQ(whole.find("artial"), std::string::npos);
  scenario.outcome.fault.code = 25;
  const std::string partial =
      ReportPage("S", {}, &scenario.tables, &scenario.outcome, &scenario.log);
  EXPECT_NE(partial.find("<p class=\"partial\">Partial: the compile stopped at an error"),
            std::string::npos);
  EXPECT_NE(partial.find("partial profile"), std::string::npos);
}

TEST(ReportPageTest, TablesAlongTheLineAndOfTheSlowdownsNameTheirRecords) {
  SmallScenario scenario;
  const std::string page = ReportPage("S", {}, &scenario.tables, &scenario.outcome, &scenario.log);
  const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
      {"speeds",
       {"0.000|0.100|0|1|0|0|before the first record", "0.100|1.000|2|19|12|60|T-.txt:9",
        "1.000|1.850|20|36|12|60|T-.txt:10", "1.850|2.000|37|39|0|0|"}},
      {"gradients",
       {"0.000|0.500|0|9|100|0|", "0.500|1.850|10|36|105|5|L.txt:7",
        "1.850|2.000|37|39|105|5|"}},
      {"adhesion",
       {"0.000|0.600|0|11|100|100|", "0.600|0.800|12|15|85|85|T-.txt:4",
        "0.800|2.000|16|39|100|100|"}},
      {"mountains", {"1.500|1.700|30|33|2|2|L.txt:12"}},
      {"slowdowns",
       {"6|0.300|orientation board|board 1||before the warning of the slowdown from 1500 m|"
        "T-.txt:40",
        "7|0.350|slowdown warning|30 km/h||the warning of the slowdown from 1500 m|T-.txt:40",
        "27|1.350|abbattimento|180||before the slowdown from 1400 m|the packager",
        "29|1.450|slowdown start|30 km/h|no||T-.txt:40",
        "30|1.500|abbattimento|180||inside the slowdown from 1400 m|the packager",
        "31|1.550|slowdown end|30 km/h|no||T-.txt:40",
        "33|1.650|plain abbattimento||||T-.txt:44"}},
      {"signals", {"8|0.350|2|4 1 0|(none)|(none)|0|0|T-.txt:30"}},
      {"approach-marks",
       {"4|0.200|62|2|the signal at 350 m|T-.txt:30", "6|0.300|61|1|the signal at 350 m|T-.txt:30",
        "20|1.000|81|1|nothing the grid holds|T-.txt:50"}},
      {"boards", {"5|0.200|speed board|(none)|50 50 40 km/h (A B C), 1 stripe|L.txt:20"}},
  };
  for (const auto& [id, rows] : expected) EXPECT_EQ(RowsOf(page, id), rows) << id;
}

// The page's style and the pictures' own sizes: the pictures' insides are
// drawn in their own units, which their viewBox scales to the page.
TEST(ReportPageTest, NoPartOfThePageIsWiderThanAWindowOf1280Pixels) {
  SmallScenario scenario;
  const std::string page = ReportPage("S", {}, &scenario.tables, &scenario.outcome, &scenario.log);
  std::vector<std::string> sized = {page.substr(0, page.find("</style>"))};
  for (std::size_t at = page.find("<svg"); at != std::string::npos; at = page.find("<svg", at + 1)) {
    sized.push_back(page.substr(at, page.find('>', at) - at));
  }
  ASSERT_EQ(sized.size(), 2u);  // the style and the profile (no plan to draw)
  static const std::regex kWidth(R"((?:^|[^-])width(?:=\"|:\s*)([0-9.]+))");
  for (const std::string& part : sized) {
    for (auto match = std::sregex_iterator(part.begin(), part.end(), kWidth);
         match != std::sregex_iterator(); ++match) {
      EXPECT_LE(std::stod((*match)[1]), 1280) << match->str();
    }
  }
  EXPECT_NE(page.find(".picture svg { display: block; max-width: 100%; height: auto; }"),
            std::string::npos);
  // The profile is drawn about as wide as the page, so that it keeps its size,
  // and shown with its own shape.
  static const std::regex kSize(
      "id=\"profile\">\n<svg [^>]*width=\"([0-9.]+)\" height=\"([0-9.]+)\" viewBox=\"0 0 "
      "([0-9.]+) ([0-9.]+)\"");
  std::smatch size;
  ASSERT_TRUE(std::regex_search(page, size, kSize));
  EXPECT_GE(std::stod(size[1]), 1100);
  EXPECT_NEAR(std::stod(size[1]) / std::stod(size[2]), std::stod(size[3]) / std::stod(size[4]),
              0.01);
}

}  // namespace
}  // namespace packager::render

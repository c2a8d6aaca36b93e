#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "output/binary_files.h"
#include "support/temp_folder.h"
#include "tool/scaffold.h"
#include "tool/tool.h"
#include "tool_run.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

Outcome Plan(const TempFolder& folder, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"plan", folder.path(), "--name", "S", "--train", "1"};
  args.insert(args.end(), extra.begin(), extra.end());
  return Tool(args);
}

// What keeps the text from being one well-formed element: a tag closed out
// of order or never, a second root, '<' in a value, a bare '&'. "" if none.
std::string XmlFault(const std::string& xml) {
  static const std::regex kEntity("&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);");
  for (std::size_t at = xml.find('&'); at != std::string::npos; at = xml.find('&', at + 1)) {
    if (!std::regex_search(xml.begin() + static_cast<std::ptrdiff_t>(at), xml.end(), kEntity,
                           std::regex_constants::match_continuous)) {
      return "bare '&' at " + std::to_string(at);
    }
  }
  std::vector<std::string> open;
  bool had_root = false;
  for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at)) {
    if (xml.compare(at, 2, "<?") == 0) {
      at = xml.find("?>", at);
      if (at == std::string::npos) return "unended declaration";
      continue;
    }
    std::size_t end = at + 1;
    for (char quote = 0; end < xml.size() && (quote != 0 || xml[end] != '>'); ++end) {
      if (quote != 0 && xml[end] == '<') return "'<' inside a value at " + std::to_string(end);
      if (xml[end] == '"' || xml[end] == '\'')
        quote = quote == xml[end] ? 0 : quote ? quote : xml[end];
    }
    if (end >= xml.size()) return "unended tag at " + std::to_string(at);
    const std::string tag = xml.substr(at + 1, end - at - 1);
    const std::string name = tag.substr(0, tag.find_first_of(" \n/", 1));
    if (tag[0] == '/') {
      if (open.empty() || open.back() != name.substr(1)) return "stray </" + name + ">";
      open.pop_back();
    } else if (open.empty() && had_root) {
      return "second root <" + name + ">";
    } else if (tag.back() != '/') {
      open.push_back(name);
      had_root = true;
    }
    at = end;
  }
  if (!had_root) return "no element";
  return open.empty() ? "" : "unclosed <" + open.back() + ">";
}

TEST(XmlFaultTest, FindsTheFaultsItLooksFor) {
  EXPECT_EQ(XmlFault("<?xml?><a x=\"1\"><b/><c>&amp;</c></a>"), "");
  EXPECT_NE(XmlFault("<a><b></a></b>"), "");
  EXPECT_NE(XmlFault("<a><b></a>"), "");
  EXPECT_NE(XmlFault("<a/><a/>"), "");
  EXPECT_NE(XmlFault("<a>A & B</a>"), "");
  EXPECT_NE(XmlFault("<a t=\"<\"/>"), "");
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// A 6 km line, 3 km north and then 3 km east, with three stations, a signal
// and one slowdown.
void WriteScenario(const TempFolder& folder) {
  ScenarioTables tables;
  tables.scenario_name = "S";
  tables.train_number = "1";
  tables.with_plan = 1;
  TrackPlan& plan = tables.track_plan;
  plan.Create(6002);
  for (std::int32_t metre = 0; metre <= 6000; ++metre) {
    plan.Append(PlanValue::Real(metre <= 3000 ? 0 : metre - 3000),
                PlanValue::Real(metre <= 3000 ? metre : 3000));
  }
  tables.route_cells.Create(120);
  tables.route_cells.at(20).kind = kCellSignal;
  tables.route_cells.at(60).kind = kCellSlowdownWarning;
  tables.route_cells.at(80).kind = kCellSlowdownStart;
  tables.route_cells.at(84).kind = kCellSlowdownEnd;
  auto& table = tables.scenario_table;
  table[1] = {7, -800, 800, 0, 1, "ALFA", 4, 1, 2, 1, 1, 0, 1, 0, 0, 43500};
  table[2] = {12, 2500, 3500, 3000, 0, "A&B <C>", 1, 1, 4, 1, 1, 0, 0, 0, 0, 0};
  table[3] = {7, 5200, 6800, 6000, 1, "\xC8ZE", 4, 1, 2, 1, 1, 0, 1, 0, 0, 44000};
  table[80].text = "(F)";  // a caption: no station
  table[kTrainValuesEntry].end = 5000;
  WriteBinaryFiles(tables, folder.path());
}

TEST(PlanCommandTest, DrawsAWellFormedNorthUpPicture) {
  TempFolder folder;
  WriteScenario(folder);
  const Outcome outcome = Plan(folder, {"-o", folder.PathOf("plan.svg")});
  ASSERT_EQ(outcome.status, kToolClean) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  const std::string svg = folder.Read("plan.svg");
  EXPECT_EQ(XmlFault(svg), "");
  EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
  EXPECT_NE(svg.find(" viewBox=\"0 0 "), std::string::npos);

  EXPECT_EQ(Occurrences(svg, "<rect class=\"station\""), 3u);
  EXPECT_EQ(Occurrences(svg, ">ALFA</text>"), 1u);
  EXPECT_EQ(Occurrences(svg, ">A&amp;B &lt;C&gt;</text>"), 1u);
  EXPECT_EQ(Occurrences(svg, ">\xC3\x88ZE</text>"), 1u);
  EXPECT_EQ(Occurrences(svg, "class=\"signal\""), 1u);
  EXPECT_EQ(Occurrences(svg, "class=\"slowdown-warning\""), 1u);
  EXPECT_EQ(Occurrences(svg, "class=\"slowdown-start\""), 1u);
  EXPECT_EQ(Occurrences(svg, "class=\"slowdown-end\""), 1u);
  EXPECT_EQ(Occurrences(svg, "<polyline class=\"track\""), 1u);
  EXPECT_EQ(Occurrences(svg, "<polyline class=\"beyond\""), 1u);  // metres 5000 to the end
  EXPECT_EQ(Occurrences(svg, ">0 km</text>"), 1u);

  // The start lies south of the corner, the end east of it.
  static const std::regex kStation("<rect class=\"station\" x=\"([-0-9.]+)\" y=\"([-0-9.]+)\"");
  std::vector<std::pair<double, double>> at;
  for (auto match = std::sregex_iterator(svg.begin(), svg.end(), kStation);
       match != std::sregex_iterator(); ++match) {
    at.emplace_back(std::stod((*match)[1]), std::stod((*match)[2]));
  }
  ASSERT_EQ(at.size(), 3u);
  EXPECT_NEAR(at[0].first, at[1].first, 0.2);
  EXPECT_GT(at[0].second, at[1].second + 100);
  EXPECT_GT(at[2].first, at[1].first + 100);
  EXPECT_NEAR(at[2].second, at[1].second, 0.2);
}

TEST(PlanCommandTest, TableAndGridAreOptionalThePlanIsNot) {
  TempFolder folder;
  WriteScenario(folder);
  std::filesystem::remove(folder.PathOf("S_1.sim"));
  std::filesystem::remove(folder.PathOf("S_1.dat"));
  const Outcome bare = Plan(folder, {"-o", folder.PathOf("plan.svg")});
  EXPECT_EQ(bare.status, kToolClean) << bare.err;
  EXPECT_EQ(Occurrences(bare.err, " is not there"), 2u) << bare.err;
  const std::string svg = folder.Read("plan.svg");
  EXPECT_EQ(XmlFault(svg), "");
  EXPECT_EQ(Occurrences(svg, "class=\"station\""), 0u);
  EXPECT_EQ(Occurrences(svg, "class=\"signal\""), 0u);

  folder.Write("S_1.dat", std::string(20, '\0'));
  const Outcome bad_grid = Plan(folder, {"-o", folder.PathOf("bad.svg")});
  EXPECT_EQ(bad_grid.status, kToolRecordedFault);
  EXPECT_NE(bad_grid.err.find("S_1.dat: byte 15: the file ends inside cell 1"), std::string::npos)
      << bad_grid.err;
  EXPECT_FALSE(folder.Exists("bad.svg"));

  folder.Write("S_linea.dat", std::string("\x02\x00", 2));
  const Outcome cut = Plan(folder, {"-o", folder.PathOf("bad.svg")});
  EXPECT_EQ(cut.status, kToolRecordedFault);
  EXPECT_NE(cut.err.find("S_linea.dat: byte 0: the file ends inside value 0"), std::string::npos)
      << cut.err;

  std::filesystem::remove(folder.PathOf("S_linea.dat"));
  const Outcome missing = Plan(folder, {"-o", folder.PathOf("bad.svg")});
  EXPECT_EQ(missing.status, kToolFileFailure);
  EXPECT_NE(missing.err.find("S_linea.dat: cannot read the file: it does not exist"),
            std::string::npos)
      << missing.err;
}

// A scenario folder is drawn as the binary files compiled from it are.
TEST(PlanCommandTest, AScenarioFolderIsDrawnAsItsCompiledFiles) {
  TempFolder folder;
  const Outcome compiled = Tool({"compile", SCENARIO_FOLDER, "-o", folder.path()});
  ASSERT_EQ(compiled.status, kToolClean) << compiled.err;
  const Outcome from_files = Tool({"plan", folder.path(), "--name", "Vardessa_Lontrino", "--train",
                                   "5608", "-o", folder.PathOf("files.svg")});
  ASSERT_EQ(from_files.status, kToolClean) << from_files.err;
  const Outcome from_folder = Tool({"plan", SCENARIO_FOLDER, "-o", folder.PathOf("folder.svg")});
  ASSERT_EQ(from_folder.status, kToolClean) << from_folder.err;
  EXPECT_EQ(from_folder.err, "");
  EXPECT_EQ(folder.Read("folder.svg"), folder.Read("files.svg"));
  EXPECT_NE(from_folder.out.find(": 23 stations, "), std::string::npos) << from_folder.out;
}

TEST(PlanCommandTest, AFolderRefusedOrNotCompilingDrawsNothing) {
  TempFolder folder;
  for (const auto& [name, bytes] : ScaffoldFiles({"S", "1"})) folder.Write(name, bytes);
  std::string line = folder.Read("S_linea.txt");
  line.replace(line.find("lunghezza percorso,    6000"), 27, "lunghezza percorso,    6x00");
  folder.Write("S_linea.txt", line);
  std::filesystem::create_directory(folder.PathOf("refused"));
  folder.Write("refused/scenario.txt", "name = S\n");  // no train
  for (const auto& [dir, message] : std::vector<std::pair<std::string, std::string>>{
           {folder.path(), "S_linea.txt:"},
           {folder.PathOf("refused"), "train"},
       }) {
    const Outcome outcome = Tool({"plan", dir, "-o", folder.PathOf("p.svg")});
    EXPECT_EQ(outcome.status, kToolRecordedFault) << outcome.err;
    EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
  }
  EXPECT_FALSE(folder.Exists("p.svg"));
}

TEST(PlanCommandTest, UsageErrors) {
  TempFolder folder;
  for (const auto& extra : std::vector<std::vector<std::string>>{
           {}, {"-o"}, {"-o", "p.svg", "--name", "a/b"}, {"-o", "p.svg", "extra"}}) {
    const Outcome outcome = Plan(folder, extra);
    EXPECT_EQ(outcome.status, kToolUsage) << outcome.err;
    EXPECT_NE(outcome.err.find("usage: scenario-tool plan"), std::string::npos);
  }
}

}  // namespace
}  // namespace packager::tool

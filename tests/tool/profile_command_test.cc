#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "output/binary_files.h"
#include "sources/scenario_folder.h"
#include "support/temp_folder.h"
#include "tables/file_names.h"
#include "explain/scenario_files.h"
#include "tool/scenario_input.h"
#include "tool/tool.h"
#include "tool_run.h"

namespace packager::tool {
namespace {

using namespace explain;
using test_support::TempFolder;

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The embedded scenario, compiled as the build compiles it.
ScenarioTables EmbeddedTables() {
  const ScenarioFolder folder = ReadScenarioFolder(SCENARIO_FOLDER);
  ScenarioTables tables;
  EXPECT_EQ(CompileFolder(folder, tables).fault.code, 0);
  return tables;
}

std::size_t CellsOfKind(const ScenarioTables& tables, int kind) {
  std::size_t count = 0;
  for (const RouteCell& cell : tables.route_cells.cells()) count += cell.kind == kind;
  return count;
}

// The picture of the embedded scenario folder, drawn once.
const std::string& EmbeddedSvg() {
  static const std::string svg = [] {
    const TempFolder folder;
    const Outcome outcome = Tool({"profile", SCENARIO_FOLDER, "-o", folder.PathOf("p.svg")});
    EXPECT_EQ(outcome.status, kToolClean) << outcome.err;
    return folder.Read("p.svg");
  }();
  return svg;
}

TEST(EmbeddedProfileTest, OneMarkPerObjectOfTheTables) {
  const ScenarioTables tables = EmbeddedTables();
  std::size_t stations = 0;
  for (int index = kFirstStationEntry; index < kProgressiveTreEntry; ++index) {
    stations +=
        UseOf(index, tables.scenario_table[static_cast<std::size_t>(index)]) == EntryUse::kStation;
  }
  EXPECT_EQ(stations, 23u);
  EXPECT_EQ(Occurrences(EmbeddedSvg(), "class=\"mark station "), stations);
  for (const auto& [kind, css] : std::vector<std::pair<int, std::string>>{
           {kCellSignal, "signal"},
           {kCellSlowdownWarning, "slowdown-warning"},
           {kCellSlowdownStart, "slowdown-start"},
           {kCellSlowdownEnd, "slowdown-end"},
           {kCellIndicatorBoard, "indicator-board"},
           {kCellSpeedBoard, "speed-board"},
           {kCellAbbattimento, "abbattimento\""},
       }) {
    EXPECT_GT(CellsOfKind(tables, kind), 0u) << css;
    EXPECT_EQ(Occurrences(EmbeddedSvg(), "class=\"mark " + css), CellsOfKind(tables, kind)) << css;
  }
  // A stop has its time; a station with a stop point but no time is passed.
  EXPECT_EQ(Occurrences(EmbeddedSvg(),
                        "class=\"mark station stop\" data-km=\"28.700\" "
                        "data-name=\"MONTEGRISO\" data-time=\"12:26:30\""),
            1u);
  EXPECT_EQ(Occurrences(EmbeddedSvg(),
                        "class=\"mark station pass\" data-km=\"13.800\" "
                        "data-name=\"CASCINE TREVALDA\">"),
            1u);
  // Grid objects stand at the start of their cell: the signal of 1750 m in cell 36.
  EXPECT_EQ(Occurrences(EmbeddedSvg(), "class=\"mark signal\" data-km=\"1.800\""), 1u);
  EXPECT_EQ(Occurrences(EmbeddedSvg(), "data-caption=\"(Galleria)(Colle Aspro)(m 610)\""), 1u);
}

TEST(EmbeddedProfileTest, EachRowEndsAtTheElevationOfTheGradients) {
  const ScenarioTables tables = EmbeddedTables();
  static const std::regex kElevation(
      "class=\"elevation\" points=\"[^\"]*\" data-from-km=\"([0-9.]+)\" "
      "data-to-km=\"([0-9.]+)\" data-start-elevation=\"([-0-9.]+)\" "
      "data-end-elevation=\"([-0-9.]+)\"");
  std::vector<double> ends;
  double reached = 0;
  for (auto match = std::sregex_iterator(EmbeddedSvg().begin(), EmbeddedSvg().end(), kElevation);
       match != std::sregex_iterator(); ++match) {
    EXPECT_DOUBLE_EQ(std::stod((*match)[1]), reached);
    reached = std::stod((*match)[2]);
    double climbed = 0;  // metres: 50 m cells at gradient_code - 100 per mille
    for (std::int64_t cell = 0; cell < std::lround(reached * 1000) / 50; ++cell) {
      climbed += 50.0 * (tables.route_cells.at(cell).gradient_code - 100) / 1000;
    }
    EXPECT_NEAR(std::stod((*match)[4]), climbed, 0.006) << "row to km " << reached;
    ends.push_back(climbed);
  }
  // 20 km rows up to the whole kilometre past the last station (LONTRINO,
  // 125750 m, its area to 126150 m).
  EXPECT_EQ(ends.size(), 7u);
  EXPECT_DOUBLE_EQ(reached, 127);
  EXPECT_GT(ends.back(), 300);
}

TEST(EmbeddedProfileTest, BinaryFilesDrawTheSamePictureAndTheCurvesOfThePlan) {
  const ScenarioTables tables = EmbeddedTables();
  TempFolder folder;
  WriteBinaryFiles(tables, folder.path());
  const std::vector<std::string> args = {
      "profile", folder.path(), "--name", "Vardessa_Lontrino",
      "--train", "5608",        "-o",     folder.PathOf("p.svg")};
  const Outcome outcome = Tool(args);
  ASSERT_EQ(outcome.status, kToolClean) << outcome.err;
  EXPECT_EQ(outcome.out, folder.PathOf("p.svg") + ": 23 stations, 44 signals, 3 slowdowns\n");
  EXPECT_EQ(folder.Read("p.svg"), EmbeddedSvg());

  // "curvas5, 800, 100" turns metres 801 to 900 to the left; "curvad6,
  // 11900, 100" to the right.
  EXPECT_EQ(Occurrences(EmbeddedSvg(),
                        "class=\"curve left\" data-from-km=\"0.800\" "
                        "data-to-km=\"0.900\" data-class=\"5\""),
            1u);
  EXPECT_EQ(Occurrences(EmbeddedSvg(),
                        "class=\"curve right\" data-from-km=\"11.900\" "
                        "data-to-km=\"12.000\" data-class=\"6\""),
            1u);

  std::filesystem::remove(folder.PathOf("Vardessa_Lontrino_linea.dat"));
  const Outcome no_plan = Tool(args);
  EXPECT_EQ(no_plan.status, kToolClean) << no_plan.err;
  EXPECT_NE(no_plan.err.find("Vardessa_Lontrino_linea.dat is not there"), std::string::npos);
  const std::string plain = folder.Read("p.svg");
  EXPECT_EQ(Occurrences(plain, "class=\"curve "), 0u);
  EXPECT_EQ(Occurrences(plain, "class=\"mark signal\""), 44u);
}

TEST(ProfileCommandTest, ExitStatuses) {
  TempFolder folder;
  folder.Write("S_1.sim", "not a train table");
  std::filesystem::create_directory(folder.PathOf("refused"));
  folder.Write("refused/scenario.txt", "name = S\n");  // no train
  const std::string svg = folder.PathOf("p.svg");
  const std::string dir = folder.path();
  for (const auto& [args, status, message] :
       std::vector<std::tuple<std::vector<std::string>, int, std::string>>{
           {{"profile"}, kToolUsage, "usage: scenario-tool profile"},
           {{"profile", dir}, kToolUsage, "missing option '-o FILE.svg'"},
           {{"profile", dir, "-o", svg, "--name", "S"}, kToolUsage, "--train"},
           {{"profile", dir, "-o", svg, "--name", "a/b", "--train", "1"},
            kToolUsage,
            "may hold no '/'"},
           {{"profile", dir, "-o", svg, "--name", "S", "--train", "1"},
            kToolRecordedFault,
            "S_1.sim: byte "},
           {{"profile", dir, "-o", svg, "--name", "T", "--train", "1"},
            kToolFileFailure,
            "T_1.sim: cannot read the file"},
           {{"profile", dir + "/none", "-o", svg}, kToolFileFailure, "none"},
           {{"profile", folder.PathOf("refused"), "-o", svg}, kToolRecordedFault, "train"},
       }) {
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.status, status) << outcome.err;
    EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
  }
  EXPECT_FALSE(folder.Exists("p.svg"));
}

}  // namespace
}  // namespace packager::tool

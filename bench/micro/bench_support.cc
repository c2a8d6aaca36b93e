#include "micro/bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "compiler/line_reader.h"
#include "compiler/track_plan_builder.h"
#include "sources/carried_scenario.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/run_failure.h"

namespace packager::bench {

const EmbeddedScenario& PackagerScenario() {
  static const std::unique_ptr<CarriedScenario> scenario =
      CarriedScenarioOf(ReadScenarioFolder(PACKAGER_SCENARIO_DIR));
  return scenario->embedded();
}

namespace {

namespace fs = std::filesystem;

// The compile stage on the embedded texts, held in memory.
ScenarioTables CompileEmbedded() {
  const EmbeddedScenario& scenario = PackagerScenario();
  ScenarioTables tables;
  tables.scenario_name = std::string(scenario.scenario_name);
  tables.train_number = std::string(scenario.train_number);
  MemoryTexts texts;
  texts.Put(LineDescriptionName(tables.scenario_name), TextBytes(scenario.line_description));
  texts.Put(TrainDescriptionName(tables.scenario_name, tables.train_number),
            TextBytes(scenario.train_description));
  const CompileOutcome outcome = CompileScenario(tables, texts, 1);
  if (outcome.reserved_slot_fault != 0) {
    Fail("the embedded scenario takes a reserved slot: error " +
         std::to_string(outcome.reserved_slot_fault));
  }
  if (outcome.fault.code != 0) {
    Fail("the embedded scenario compiles with a fault: " + FaultReport(outcome.fault));
  }
  return tables;
}

void Put(RouteGrid& grid, std::int64_t index, std::uint8_t kind, std::int16_t param1 = 0) {
  RouteCell& cell = grid.at(index);
  cell.kind = kind;
  cell.param1 = param1;
}

}  // namespace

ScratchFolder::ScratchFolder() {
  std::random_device random;
  const fs::path path = fs::temp_directory_path() / ("packager-bench-" + std::to_string(random()));
  std::error_code error;
  if (!fs::create_directories(path, error)) {
    Fail("cannot create the scratch folder " + path.string() + ": " +
         (error ? error.message() : "it exists already"));
  }
  path_ = path.string();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ReadEmbeddedLine(ScenarioTables& tables, const ScratchFolder& folder) {
  const EmbeddedScenario& scenario = PackagerScenario();
  tables.scenario_name = std::string(scenario.scenario_name);
  tables.train_number = std::string(scenario.train_number);
  tables.with_plan = 1;
  tables.error_code = 0;
  const std::string name = LineDescriptionName(tables.scenario_name);
  const std::string bytes = TextBytes(scenario.line_description);
  {
    std::ofstream out(JoinPath(folder.path(), name), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) Fail("cannot write " + name + " into " + folder.path());
  }
  ReadingPlace place;
  FolderTexts texts(folder.path());
  try {
    ReadLineDescription(tables, texts, place);
  } catch (const RunFailure& failure) {
    Fail("reading the embedded line failed at " + place.file + ":" + std::to_string(place.line) +
         ": " + failure.what());
  }
  if (tables.error_code != 0) {
    Fail("the embedded line reads with a fault: " + FaultReport(RecordedFault::Of(tables)));
  }
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "packager_bench: %s\n", what.c_str());
  std::exit(1);
}

std::string TextBytes(const EmbeddedText& text) {
  std::string bytes;
  for (const std::string_view line : text.lines) {
    if (line == kEndOfTextMarker) break;
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

const ScenarioTables& EmbeddedTables() {
  static const ScenarioTables tables = CompileEmbedded();
  return tables;
}

bool BuildLongestLinePlan(TrackPlan& plan) {
  TrackPlanBuilder builder(plan);
  builder.Seed();
  // The last curve ends before the builder's index limit.
  constexpr std::int64_t kLongestCurve = 250;
  int turn = 0;
  for (std::int64_t start = kCurveEvery; start + kLongestCurve < kPlanIndexLimit;
       start += kCurveEvery, ++turn) {
    const std::int64_t length = 100 + (turn * 53) % 151;
    const double curvature = CurvatureOfClass(1 + turn % 6);
    if (!builder.ExtendThroughCurve(start, length, turn % 2 == 0 ? curvature : -curvature)) {
      return false;
    }
  }
  builder.Finish();
  return true;
}

RouteGrid LongestLineGrid() {
  constexpr std::int64_t kSlowdownEvery = 400;  // cells: 20 km
  constexpr std::int64_t kWarningBefore = 24;   // cells: the warning stands 1200 m before
  constexpr std::int64_t kSlowdownCells = 20;
  constexpr std::int64_t kSignalAfterEnd = 6;
  constexpr std::int64_t kSignalEvery = 35;        // cells: 1750 m
  constexpr std::int16_t kSlow = 60, kFast = 120;  // km/h, either side of the walk inside

  RouteGrid grid;
  grid.Create(static_cast<std::int32_t>(DivRoundHalfEven(kLongestPlanLast, kCellLength)));
  const std::int64_t last = grid.last_index();
  // Cells a signal keeps clear of: each slowdown from its warning's
  // orientation boards to the signal after its end.
  std::vector<bool> taken(static_cast<std::size_t>(last) + 1, false);
  int count = 0;
  for (std::int64_t start = kSlowdownEvery; start + kSlowdownCells + 20 < last;
       start += kSlowdownEvery, ++count) {
    const std::int64_t end = start + kSlowdownCells;
    Put(grid, start - kWarningBefore, kCellSlowdownWarning);
    Put(grid, start, kCellSlowdownStart, count % 2 == 0 ? kSlow : kFast);
    Put(grid, end, kCellSlowdownEnd);
    Put(grid, end + kSignalAfterEnd, kCellSignal);
    for (std::int64_t i = start - kWarningBefore - 4; i <= end + kSignalAfterEnd + 3; ++i) {
      taken.at(static_cast<std::size_t>(i)) = true;
    }
  }
  for (std::int64_t s = kSignalEvery; s < last - 2; s += kSignalEvery) {
    if (!taken.at(static_cast<std::size_t>(s))) Put(grid, s, kCellSignal);
  }
  return grid;
}

}  // namespace packager::bench

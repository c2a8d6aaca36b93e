#include "micro/bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/run.h"
#include "compiler/line_reader.h"
#include "compiler/track_plan_builder.h"
#include "sources/text_writer.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/run_failure.h"

namespace packager::bench {

namespace {

namespace fs = std::filesystem;

// The compile stage ends the process only through the error box, which a
// clean scenario never shows.
class BenchPlatform : public Platform {
 public:
  explicit BenchPlatform(std::string directory) : directory_(std::move(directory)) {}
  std::string ProgramDirectory() override { return directory_; }
  void ShowWaitWindow() override {}
  void ShowErrorBox(const std::string& prompt) override { prompt_ = prompt; }
  void Report(const std::string& line) override { static_cast<void>(line); }
  void ShowFailure(const std::string& headline, const std::string& line) override {
    static_cast<void>(headline);
    static_cast<void>(line);
  }
  [[noreturn]] void EndProgram(int status) override {
    Fail("the compile of the embedded scenario ended with status " + std::to_string(status) + " (" +
         prompt_ + ")");
  }

 private:
  std::string directory_;
  std::string prompt_;
};

ScenarioTables CompileEmbedded() {
  const EmbeddedScenario& scenario = TheEmbeddedScenario();
  ScenarioTables tables;
  tables.scenario_name = std::string(scenario.scenario_name);
  tables.train_number = std::string(scenario.train_number);
  const ScratchFolder folder;
  BenchPlatform platform(folder.path());
  try {
    dati_linea(tables, folder.path(), scenario);
    dati_treno(tables, folder.path(), scenario);
    std::int32_t with_plan = 1;
    memorizza_percorso(tables, platform, folder.path(), with_plan);
  } catch (const std::exception& failure) {
    Fail(std::string("the compile of the embedded scenario failed: ") + failure.what());
  }
  if (tables.error_code != 0) {
    Fail("the embedded scenario compiles with a fault: " + FaultReport(tables));
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
  const EmbeddedScenario& scenario = TheEmbeddedScenario();
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
  try {
    ReadLineDescription(tables, folder.path(), place);
  } catch (const RunFailure& failure) {
    Fail("reading the embedded line failed at " + place.file + ":" + std::to_string(place.line) +
         ": " + failure.what());
  }
  if (tables.error_code != 0) Fail("the embedded line reads with a fault: " + FaultReport(tables));
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

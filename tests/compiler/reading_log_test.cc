#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "compiler/reading_observer.h"
#include "support/scenario_texts.h"

namespace packager {
namespace {

using test_support::kLineFile;
using test_support::kTrainFile;
using test_support::Lines;

// The guide's small scenario: boards, a mountain stretch with markers,
// stations, a slowdown and signals, and the walk's points around them.
const std::vector<std::string> kLine = {"[generale]",
                                        "lunghezza percorso,    6000",
                                        "ripetizione segnali 4 codici,    0    ,0",
                                        "[curve]",
                                        "curvas3,  900,  300",
                                        "pendenza,  0,   0",
                                        "pendenza,  1200,   8",
                                        "montagna,   3300,  4100,  11",
                                        "indicatori_vmax,  1050,  85,  90,  95,  0,  ,  ,  ,  0",
                                        "cartello_indicatore,  800,   (I--I--I)(I__I__I)",
                                        "cartello_indicatore,  3300,   (Galleria)",
                                        "[fine]"};
const std::vector<std::string> kTrain = {
    "[generale]",
    "aderenza,   0,    100",
    "velocita,   0,    30",
    "velocita,    1050,   95",
    "stazione,       0,  7,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   9,40, 0, OMBRISA",
    "stazione,    3000, 21,  400,  0, 0, 0,  1,1,0,  2,1,0,    0,   0, 0, 0, COLLE VARNAIO",
    "rallentamento,   4200,    30,  200, 1,  0,  0",
    "segnale,     900,   1, 4, 1,  0, 0,    1,  3,1,0, 0",
    "segnale,    2400,   2, 4, 1,  0, 0,    2,  2,1,0, 0",
    "[fine]"};

struct Compiled {
  Compiled(const std::vector<std::string>& line, const std::vector<std::string>& train,
           bool observed = true) {
    texts.Put(kLineFile, Lines(line));
    texts.Put(kTrainFile, Lines(train));
    tables.scenario_name = "Vardessa_Lontrino";
    tables.train_number = "5608";
    outcome = CompileScenario(tables, texts, 1, observed ? &log : nullptr);
  }
  MemoryTexts texts;
  ScenarioTables tables;
  ReadingLog log;
  CompileOutcome outcome;
};

// The text with the record before its last line, or before line `before`.
std::vector<std::string> With(std::vector<std::string> text, const std::string& record,
                              std::size_t before = 0) {
  text.insert(before > 0 ? text.begin() + static_cast<std::ptrdiff_t>(before - 1) : text.end() - 1,
              record);
  return text;
}

// The writes, replayed in order on an empty grid, give the grid the
// compile left, member for member; and observing changes nothing.
TEST(ReadingLogTest, WritesReplayedGiveTheGrid) {
  const Compiled observed(kLine, kTrain);
  const Compiled plain(kLine, kTrain, false);
  ASSERT_EQ(observed.outcome.fault.code, 0) << FaultReport(observed.outcome.fault);
  const RouteGrid& grid = observed.tables.route_cells;
  std::vector<RouteCell> replayed(grid.cells().size());
  for (const CellWrite& write : observed.log.writes()) {
    for (std::int64_t i = write.first_cell; i <= write.last_cell; ++i) {
      RouteCell& cell = replayed.at(static_cast<std::size_t>(i));
      const auto byte = static_cast<std::uint8_t>(write.value);
      switch (write.part) {
        case CellPart::kObject:
          cell.kind = byte;
          break;
        case CellPart::kApproachMark:
          cell.approach_mark = byte;
          break;
        case CellPart::kMountainKind:
          cell.mountain_kind = byte;
          break;
        case CellPart::kGradientCode:
          cell.gradient_code = byte;
          break;
        case CellPart::kSpeedCode:
          cell.speed_code = byte;
          break;
        case CellPart::kAdhesion:
          cell.adhesion = byte;
          break;
      }
    }
  }
  std::size_t objects = 0;
  for (std::size_t i = 0; i < replayed.size(); ++i) {
    const RouteCell& want = grid.cells()[i];
    const RouteCell& got = replayed[i];
    SCOPED_TRACE("cell " + std::to_string(i));
    EXPECT_EQ(got.kind, want.kind);
    EXPECT_EQ(got.approach_mark, want.approach_mark);
    EXPECT_EQ(got.mountain_kind, want.mountain_kind);
    EXPECT_EQ(got.gradient_code, want.gradient_code);
    EXPECT_EQ(got.speed_code, want.speed_code);
    EXPECT_EQ(got.adhesion, want.adhesion);
    const RouteCell& unobserved = plain.tables.route_cells.cells()[i];
    EXPECT_TRUE(want.kind == unobserved.kind && want.param1 == unobserved.param1 &&
                want.param2 == unobserved.param2 && want.param4 == unobserved.param4 &&
                want.approach_mark == unobserved.approach_mark &&
                want.speed_code == unobserved.speed_code);
    if (want.kind != kCellEmpty) ++objects;
  }
  EXPECT_EQ(observed.log.standing_objects().size(), objects);
  // The walk's points are told as its own: cells 48, 66, 74 and 80.
  std::vector<std::int64_t> walk;
  for (const auto& [cell, write] : observed.log.standing_objects()) {
    if (write.by.record == "walk") walk.push_back(cell);
  }
  EXPECT_EQ(walk, (std::vector<std::int64_t>{48, 66, 74, 80}));
  EXPECT_TRUE(observed.log.replacements().empty());
  EXPECT_TRUE(observed.log.empty_records().empty());
}

TEST(ReadingLogTest, ObjectsWrittenOver) {
  // The station's stop point takes the board's cell 27 (its end 1400 m).
  const Compiled board(
      With(kLine, "cartello_indicatore,  1300,   (Ponte)"),
      With(kTrain, "stazione, 1200, 11, 400, 0, 0, 0, 1,1,0, 2,1,0, 0, 0,0,0, PONTE", 6));
  ASSERT_EQ(board.outcome.fault.code, 0) << FaultReport(board.outcome.fault);
  ASSERT_EQ(board.log.replacements().size(), 1u);
  const Replacement& over = board.log.replacements()[0];
  EXPECT_EQ(over.cell, 27);
  EXPECT_EQ(over.old_kind, kCellIndicatorBoard);
  EXPECT_EQ(over.placed_by, (Writer{kLineFile, 12, "cartello indicatore"}));
  EXPECT_EQ(over.replaced_by, (Writer{kTrainFile, 6, "stazione"}));
  EXPECT_EQ(board.log.standing_objects().at(27).value, kCellStationStop);

  // A signal on a mountain marker (cell 69) replaces it.
  const Compiled marker(kLine, With(kTrain, "segnale, 3400, 1, 4, 1, 0, 0, 1, 3,1,0, 0"));
  ASSERT_EQ(marker.log.replacements().size(), 1u);
  EXPECT_EQ(marker.log.replacements()[0].cell, 69);
  EXPECT_EQ(marker.log.replacements()[0].old_kind, kCellMountainMarker);
  EXPECT_EQ(marker.log.replacements()[0].placed_by.record, "montagna");
}

// Records read with no fault that leave nothing, and their near twins that
// do leave something.
TEST(ReadingLogTest, RecordsThatLeaveNothing) {
  const struct {
    const char* record;
    bool train;
    const char* kind;  // the empty record's kind; nullptr: none is empty
    const char* why;
  } cases[] = {
      {"montagna, 5000, 5000, 11", false, "montagna", "ends at or before its start"},
      {"montagna, 5000, 4900, 2", false, "montagna", "ends at or before its start"},
      {"montagna, 5000, 5050, 2", false, nullptr, ""},
      {"curvad2, 2600, 0", false, "curva", "bends no metre"},
      {"curvad2, 1000, 50", false, "curva", "bends no metre"},  // inside the curve before
      {"curvad2, 2600, 1", false, nullptr, ""},
      {"stazione, 5000, 27, 300, 0, 0, 0, 1,1,0, 1,1,0, 0, 0, 0, 0, BIVIO", true, "stazione",
       "places no stop point"},
      {"stazione, 5000, 24, 300, 0, 0, 0, 1,1,0, 1,1,0, 0, 0, 0, 0, BIVIO", true, nullptr, ""},
      // Back at cell 0: the 95 km/h record before it never reaches a cell.
      {"velocita, 0, 50", true, "velocita", "replaced"},
      {"aderenza, 1000, 90", true, nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record);
    const Compiled compiled(c.train ? kLine : With(kLine, c.record),
                            c.train ? With(kTrain, c.record) : kTrain);
    ASSERT_EQ(compiled.outcome.fault.code, 0) << FaultReport(compiled.outcome.fault);
    const auto& empty = compiled.log.empty_records();
    if (c.kind == nullptr) {
      EXPECT_TRUE(empty.empty()) << empty.front().record.record << ": " << empty.front().why;
      continue;
    }
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].record.record, c.kind);
    EXPECT_NE(empty[0].why.find(c.why), std::string::npos) << empty[0].why;
    // The record left nothing: no write is told as its own.
    for (const CellWrite& write : compiled.log.writes()) EXPECT_NE(write.by, empty[0].record);
  }
}

}  // namespace
}  // namespace packager

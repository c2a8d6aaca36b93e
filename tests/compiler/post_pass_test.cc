#include "compiler/post_pass.h"

#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tables/error_codes.h"

namespace packager {
namespace {

struct Put {
  std::int64_t cell;
  std::uint8_t kind;
  std::int16_t param1 = 0;
};
using Cells = std::vector<std::int64_t>;
using Fault = std::pair<std::int32_t, std::int32_t>;  // code, position
constexpr Fault kNoFault{0, 0};

constexpr std::uint8_t kSignal = kCellSignal, kEnd = kCellSlowdownEnd, kStart = kCellSlowdownStart,
                       kWarning = kCellSlowdownWarning, kStop = kCellStationStop,
                       kPoint = kCellAbbattimento;

// A grid of cells 0 to last holding only the given cells, after the pass.
ScenarioTables Pass(const std::vector<Put>& cells, std::int32_t last = 2100) {
  ScenarioTables tables;
  tables.route_cells.Create(last);
  tables.scratch5 = 1;  // as the train reader leaves it
  for (const Put& put : cells) {
    tables.route_cells.at(put.cell).kind = put.kind;
    tables.route_cells.at(put.cell).param1 = put.param1;
  }
  SignallingPostPass(tables);
  return tables;
}

Cells Points(const ScenarioTables& tables, std::int64_t from, std::int64_t to) {
  Cells found;
  for (std::int64_t i = from; i <= to; ++i) {
    if (tables.route_cells.at(i).kind == kPoint) found.push_back(i);
  }
  return found;
}

Fault FaultOf(const ScenarioTables& tables) { return {tables.error_code, tables.error_position}; }

TEST(PostPassTest, RuleAHandlesEverySignalUpTo20CellsBeforeAWarning) {
  // k = 10 and k = 20 (on a mountain marker) are handled, k = 25 is not.
  auto t = Pass({{2000, kWarning},
                 {1990, kSignal},
                 {1980, kSignal},
                 {1979, kCellMountainMarker},
                 {1975, kSignal}});
  EXPECT_EQ(Points(t, 1900, 2100), (Cells{1979, 1989}));
  EXPECT_EQ(t.route_cells.at(1989).param1, 180);

  // Cells 1989 and 1988 before the signal at 1990, then their param1 after the
  // pass: a free cell comes before lowering an existing point.
  const std::vector<std::pair<std::vector<Put>, std::pair<int, int>>> cases = {
      {{{1989, kStop}}, {0, 180}},
      {{{1989, kStop}, {1988, kPoint, 200}}, {0, 180}},
      {{{1989, kStop}, {1988, kPoint, 150}}, {0, 150}},
      {{{1989, kPoint, 200}}, {200, 180}},
      {{{1989, kPoint, 200}, {1988, kStop}}, {180, 0}},
  };
  for (auto [cells, expected] : cases) {
    cells.insert(cells.end(), {{2000, kWarning}, {1990, kSignal}});
    t = Pass(cells);
    const std::pair<int, int> after{t.route_cells.at(1989).param1, t.route_cells.at(1988).param1};
    EXPECT_EQ(after, expected);
    EXPECT_EQ(FaultOf(t), kNoFault);
  }

  t = Pass({{2000, kWarning}, {1990, kSignal}, {1989, kStop}, {1988, kCellSpeedBoard}});
  EXPECT_EQ(FaultOf(t), (Fault{kErrSignalBeforeWarning, 1990 * 50}));
  EXPECT_EQ(t.error_source.detail, "cell 1990");

  // Rule A ends below cell 3; the walk ends at the third last cell.
  EXPECT_EQ(Points(Pass({{6, kWarning}, {3, kSignal}}), 0, 6), (Cells{2}));
  EXPECT_EQ(Points(Pass({{6, kWarning}, {2, kSignal}}), 0, 6), Cells{});
  EXPECT_EQ(Points(Pass({{98, kWarning}, {90, kSignal}}, 100), 80, 100), (Cells{89}));
  EXPECT_EQ(Points(Pass({{99, kWarning}, {90, kSignal}}, 100), 80, 100), Cells{});
}

TEST(PostPassTest, RuleBPlacesThreePointsBeforeTheStart) {
  EXPECT_EQ(Points(Pass({{1296, kStart, 50}, {1300, kEnd}}), 0, 2100), (Cells{1278, 1285, 1291}));

  // The first place is taken: error 12, and the other two still go in, the
  // second one at its third cell.
  auto t = Pass({{1296, kStart, 50},
                 {1300, kEnd},
                 {1291, kStop},
                 {1290, kStop},
                 {1289, kStop},
                 {1285, kStop},
                 {1284, kStop}});
  EXPECT_EQ(Points(t, 0, 1296), (Cells{1278, 1283}));
  EXPECT_EQ(FaultOf(t), (Fault{kErrNoRoomBeforeSlowdown, 1296 * 50}));

  for (const auto& [start, expected] :
       {std::pair{7, Cells{}}, std::pair{8, Cells{3}}, std::pair{13, Cells{8}},
        std::pair{14, Cells{3, 9}}, std::pair{20, Cells{9, 15}}, std::pair{21, Cells{3, 10, 16}}}) {
    EXPECT_EQ(Points(Pass({{start, kStart, 200}, {start + 2, kEnd}}), 0, start), expected)
        << "start " << start;
  }
}

TEST(PostPassTest, RuleBPlacesAPointEvery8CellsInsideASlowSlowdown) {
  const auto inside = [](std::int16_t speed, std::vector<Put> cells) {
    cells.insert(cells.end(), {{100, kStart, speed}, {130, kEnd}});
    const auto t = Pass(cells);
    return std::pair{Points(t, 101, 129), t.error_code};
  };
  EXPECT_EQ(inside(50, {}), (std::pair{Cells{108, 116, 124}, 0}));
  EXPECT_EQ(inside(109, {}), (std::pair{Cells{108, 116, 124}, 0}));
  EXPECT_EQ(inside(110, {}), (std::pair{Cells{}, 0}));
  EXPECT_EQ(inside(50, {{108, kSignal}}), (std::pair{Cells{107, 115, 123}, 0}));
  EXPECT_EQ(inside(50, {{108, kSignal}, {107, kSignal}}), (std::pair{Cells{109, 117, 125}, 0}));
  // All three taken: error 13, and no further point inside this slowdown.
  EXPECT_EQ(inside(50, {{107, kSignal}, {108, kSignal}, {109, kSignal}}),
            (std::pair{Cells{}, std::int32_t{kErrNoRoomInsideSlowdown}}));
}

TEST(PostPassTest, RuleBPlacesAPointBeforeTheFirstSignalAfterTheEnd) {
  // The signal at cell 5 lies after the cell that the shared counter holds.
  const auto after = [](std::int16_t speed, std::vector<Put> cells) {
    cells.insert(cells.end(), {{100, kStart, speed}, {130, kEnd}, {5, kSignal}});
    const auto t = Pass(cells);
    EXPECT_EQ(Points(t, 0, 4), Cells{});
    return std::pair{Points(t, 131, 150), FaultOf(t)};
  };
  EXPECT_EQ(after(50, {{135, kSignal}, {140, kSignal}}), (std::pair{Cells{134}, kNoFault}));
  EXPECT_EQ(after(50, {{143, kSignal}}), (std::pair{Cells{}, kNoFault}));
  EXPECT_EQ(after(50, {{135, kSignal}, {134, kStop}}), (std::pair{Cells{133}, kNoFault}));
  EXPECT_EQ(after(50, {{135, kSignal}, {134, kCellSpeedBoard}, {133, kStop}}),
            (std::pair{Cells{}, Fault{kErrNoRoomInsideSlowdown, 130 * 50}}));
  // An existing point is not lowered here.
  EXPECT_EQ(after(50, {{135, kSignal}, {134, kPoint, 200}}),
            (std::pair{Cells{133, 134}, kNoFault}));
  EXPECT_EQ(after(50, {{135, kSignal}, {134, kPoint, 200}, {133, kStop}}),
            (std::pair{Cells{134}, Fault{kErrNoRoomInsideSlowdown, 130 * 50}}));
  // A fast slowdown searches after its own end cell.
  EXPECT_EQ(after(120, {{135, kSignal}}), (std::pair{Cells{134}, kNoFault}));
}

TEST(PostPassTest, AWalkThatWouldLeaveTheGridRecords28) {
  ScenarioTables t;
  EXPECT_NO_THROW(t = Pass({{40, kStart, 50}}, 60));  // no end cell
  EXPECT_EQ(Points(t, 41, 60), (Cells{48, 56}));
  EXPECT_EQ(FaultOf(t), (Fault{kErrWalkLeavesGrid, 60 * 50}));
  EXPECT_NO_THROW(t = Pass({{40, kStart, 150}}, 60));
  EXPECT_EQ(FaultOf(t), (Fault{kErrWalkLeavesGrid, 60 * 50}));

  // At the last cell, with the cell before it taken, the neighbour beyond the
  // grid counts as taken: 13 there, then 28 when the walk steps on.
  EXPECT_NO_THROW(t = Pass({{40, kStart, 50}, {47, kSignal}, {48, kSignal}}, 48));
  EXPECT_EQ(FaultOf(t), (Fault{kErrWalkLeavesGrid, 48 * 50}));

  // The search after an end in the last 12 cells looks at the grid's cells
  // only: beyond them stands no signal, and nothing is recorded.
  for (const std::int16_t speed : {50, 150}) {
    EXPECT_NO_THROW(t = Pass({{40, kStart, speed}, {50, kEnd}}, 60));
    EXPECT_EQ(FaultOf(t), kNoFault) << speed;
    t = Pass({{40, kStart, speed}, {50, kEnd}, {60, kSignal}}, 60);
    EXPECT_EQ(Points(t, 51, 60), (Cells{59})) << speed;
    EXPECT_EQ(FaultOf(t), kNoFault) << speed;
    EXPECT_NO_THROW(t = Pass({{40, kStart, speed}, {58, kEnd}}, 60));
    EXPECT_EQ(FaultOf(t), kNoFault) << speed;
  }

  ScenarioTables no_grid;
  EXPECT_NO_THROW(SignallingPostPass(no_grid));
  EXPECT_EQ(no_grid.error_code, 0);
}

TEST(PostPassTest, TheFaultFoundLaterInTheWalkStands) {
  const std::vector<Put> warning = {{300, kWarning}, {290, kSignal}, {289, kStop}, {288, kStop}};
  const std::vector<Put> slowdown = {
      {500, kStart, 50}, {504, kEnd}, {495, kStop}, {494, kStop}, {493, kStop}};
  auto cells = warning;
  cells.insert(cells.end(), slowdown.begin(), slowdown.end());
  EXPECT_EQ(FaultOf(Pass(cells)), (Fault{kErrNoRoomBeforeSlowdown, 500 * 50}));

  for (Put& put : cells) put.cell = put.cell >= 493 ? put.cell - 400 : put.cell + 400;
  EXPECT_EQ(FaultOf(Pass(cells)), (Fault{kErrSignalBeforeWarning, 690 * 50}));
}

// The walk stopped as far as it may still write a cell leaves in that
// cell what the whole walk leaves, whatever the grid holds: grids of
// signals, warnings, slowdowns (fast and slow), points and mountain markers
// crowded near their start, as a short line or the first kilometre holds
// them, drawn from a fixed seed.
TEST(PostPassTest, AWalkStoppedEarlyLeavesItsCellAsTheWholeWalk) {
  const std::uint8_t kinds[] = {kCellEmpty, kCellEmpty, kCellEmpty, kSignal, kWarning,
                                kStart,     kEnd,       kPoint,     kCellMountainMarker};
  std::uint32_t seed = 36;
  const auto draw = [&seed](std::uint32_t below) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % below;
  };
  for (int grid = 0; grid < 3000; ++grid) {
    ScenarioTables whole;
    whole.route_cells.Create(static_cast<std::int32_t>(30 + draw(90)));
    for (std::int64_t i = 0; i <= whole.route_cells.last_index(); ++i) {
      RouteCell& cell = whole.route_cells.at(i);
      cell.kind = kinds[draw(std::size(kinds))];
      cell.param1 = static_cast<std::int16_t>(draw(2) == 0 ? 20 : 100 + draw(200));
    }
    const TablesWithoutPlan before = whole;
    SignallingPostPass(whole);
    for (const std::int64_t cell : {1, 2, 7}) {
      ScenarioTables tables;
      static_cast<TablesWithoutPlan&>(tables) = before;
      SignallingPostPassThrough(tables, cell);
      const RouteCell& a = whole.route_cells.at(cell);
      const RouteCell& b = tables.route_cells.at(cell);
      ASSERT_TRUE(a.kind == b.kind && a.param1 == b.param1) << "grid " << grid << ", cell " << cell;
    }
  }
}

}  // namespace
}  // namespace packager

#include "compiler/placement.h"

#include <gtest/gtest.h>

#include "compiler/line_reader.h"
#include "tables/error_codes.h"

namespace packager {
namespace {

class PlacementTest : public ::testing::Test {
 protected:
  PlacementTest() { tables.route_cells.Create(2620); }
  RouteCell& Cell(std::int64_t index) { return tables.route_cells.at(index); }
  ScenarioTables tables;
};

TEST_F(PlacementTest, SignalsPackTheirCodesAndMarkTheCellsBefore) {
  // "segnale,    1750,   2, 4, 1,  0, 0,    2,  2,1,0, 0"
  memo_segnale(tables, 1750, 2, 4, 1, 0, 0, 2, 2, 1, 0, 0);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(36).kind, kCellSignal);
  EXPECT_EQ(Cell(36).param1, 42);
  EXPECT_EQ(Cell(36).param2, 11);
  EXPECT_EQ(Cell(36).param3, 0);
  EXPECT_EQ(Cell(36).param4, 8);
  EXPECT_EQ(Cell(36).signal_time, 0);
  EXPECT_EQ(Cell(34).approach_mark, 81);
  EXPECT_EQ(Cell(32).approach_mark, 82);
  EXPECT_EQ(Cell(30).approach_mark, 83);
  EXPECT_EQ(Cell(28).approach_mark, 84);
  EXPECT_EQ(Cell(35).approach_mark, 0);

  // "segnale,    6350,   1, 4, 1,  0, 0,    1,  3,1,0, 0"
  memo_segnale(tables, 6350, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0);
  EXPECT_EQ(Cell(128).param1, 43);
  EXPECT_EQ(Cell(128).param2, 11);
  EXPECT_EQ(Cell(128).param4, 4);
  EXPECT_EQ(Cell(126).approach_mark, 41);
  EXPECT_EQ(Cell(120).approach_mark, 44);
}

TEST_F(PlacementTest, SignalTimes) {
  const struct {
    std::int32_t sx, tempo;
    std::uint8_t stored;
  } cases[] = {{1, 50, 0}, {2, 50, 101}, {2, 0, 0}, {2, 200, 200}, {2, 100, 101}};
  std::int32_t position = 1000;
  for (const auto& c : cases) {
    memo_segnale(tables, position, c.sx, 0, 0, 0, 0, 0, 0, 0, 0, c.tempo);
    EXPECT_EQ(Cell(position / 50 + 1).signal_time, c.stored) << c.sx << " " << c.tempo;
    position += 1000;
  }
}

TEST_F(PlacementTest, SignalsTakeOnlyFreeCells) {
  Cell(36).kind = kCellMountainMarker;
  memo_segnale(tables, 1750, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(36).kind, kCellSignal);

  Cell(50).kind = kCellStationStop;
  memo_segnale(tables, 2450, 1, 5, 5, 5, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(tables.error_code, kErrSignalTaken);
  EXPECT_EQ(Cell(50).param1, 0);
  EXPECT_EQ(Cell(48).approach_mark, 0);
}

TEST_F(PlacementTest, ASignalTooNearTheStartFailsAtTheFirstMarkOutside) {
  // Cell 1 is set; its first mark would be cell -1.
  EXPECT_THROW(memo_segnale(tables, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0), RunFailure);
  EXPECT_EQ(Cell(1).kind, kCellSignal);
  EXPECT_EQ(Cell(1).param1, 40);
}

TEST_F(PlacementTest, SlowdownsWithWarningAndOrientationBoards) {
  // "rallentamento,   64750,    50,  200, 1,  0,  0"
  memo_rallentamento(tables, 64750, 50, 200, 1, 0, 0);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(1272).kind, kCellSlowdownWarning);
  EXPECT_EQ(Cell(1272).param1, 50);
  EXPECT_EQ(Cell(1272).param3, 0);
  EXPECT_EQ(Cell(1296).kind, kCellSlowdownStart);
  EXPECT_EQ(Cell(1300).kind, kCellSlowdownEnd);
  for (int cell : {1296, 1300}) {
    EXPECT_EQ(Cell(cell).param1, 50);
    EXPECT_EQ(Cell(cell).param3, 1);
  }
  EXPECT_EQ(Cell(1271).kind, kCellEmpty);

  // "rallentamento,  102000,    30,   50, 0,  1,  0"
  memo_rallentamento(tables, 102000, 30, 50, 0, 1, 0);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(2017).kind, kCellSlowdownWarning);
  EXPECT_EQ(Cell(2041).kind, kCellSlowdownStart);
  EXPECT_EQ(Cell(2042).kind, kCellSlowdownEnd);
  EXPECT_EQ(Cell(2042).param1, 30);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Cell(2016 - i).kind, kCellOrientationBoard);
    EXPECT_EQ(Cell(2016 - i).param1, i + 1);
    EXPECT_EQ(Cell(2016 - i).param2, 0);
  }
}

TEST_F(PlacementTest, EarlySlowdownsHaveNoWarning) {
  memo_rallentamento(tables, 1500, 40, 100, 0, 1, 0);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(7).kind, kCellEmpty);  // no warning, no boards
  EXPECT_EQ(Cell(6).kind, kCellEmpty);
  EXPECT_EQ(Cell(31).kind, kCellSlowdownStart);

  memo_rallentamento(tables, 1550, 40, 100, 0, 1, 7);
  EXPECT_EQ(Cell(8).kind, kCellSlowdownWarning);
  EXPECT_EQ(Cell(8).param2, 7);
  for (int cell = 4; cell <= 7; ++cell) {
    EXPECT_EQ(Cell(cell).kind, kCellOrientationBoard) << cell;
    EXPECT_EQ(Cell(cell).param2, 8 - cell) << cell;  // d_v given: the number again
  }
}

TEST_F(PlacementTest, RefusedSlowdowns) {
  Cell(1300).kind = kCellSignal;
  memo_rallentamento(tables, 64750, 50, 200, 1, 0, 0);
  EXPECT_EQ(tables.error_code, kErrSlowdownEndTaken);
  EXPECT_EQ(Cell(1272).kind, kCellEmpty);  // no trace
  EXPECT_EQ(Cell(1296).kind, kCellEmpty);

  Cell(1272).kind = kCellSpeedBoard;
  memo_rallentamento(tables, 64750, 50, 200, 1, 0, 0);
  EXPECT_EQ(tables.error_code, kErrWarningTaken);
  Cell(21).kind = kCellSignal;
  memo_rallentamento(tables, 1000, 50, 200, 1, 0, 0);
  EXPECT_EQ(tables.error_code, kErrSlowdownStartTaken);

  tables.error_code = 0;
  Cell(2014).kind = kCellSignal;
  Cell(2041).param2 = 9;
  memo_rallentamento(tables, 102000, 30, 50, 0, 1, 0);
  EXPECT_EQ(tables.error_code, kErrOrientationTaken);
  EXPECT_EQ(Cell(2017).kind, kCellSlowdownWarning);  // already placed, kept
  EXPECT_EQ(Cell(2042).kind, kCellSlowdownEnd);
  EXPECT_EQ(Cell(2041).param2, 9);  // d_v 0 keeps the earlier value
  EXPECT_EQ(Cell(2016).kind, kCellEmpty);
}

TEST_F(PlacementTest, SlowdownsWhoseEndIsNotAfterTheStartOrBeyondTheGridAreRefused) {
  // Decided on the cells, not on the length: x / 50 + 1 and (x + l) / 50 + 1.
  const struct {
    std::int32_t x, l;
    bool refused;
  } cases[] = {
      {5020, 10, false},  // cells 101 and 102
      {5000, 25, false},  // 101 and 102 (101.5 rounds to even)
      {1525, 50, true},   // 31.5 and 32.5 both round to 32
      {5000, 20, true},   // 101 and 101
      {5000, 0, true},
      {5000, -100, true},  // the end before the start
  };
  for (const auto& c : cases) {
    ScenarioTables fresh;
    fresh.route_cells.Create(2620);
    memo_rallentamento(fresh, c.x, 50, c.l, 0, 0, 0);
    EXPECT_EQ(fresh.error_code, c.refused ? kErrSlowdownTooShort : 0) << c.x << " " << c.l;
    EXPECT_EQ(fresh.route_cells.at(BoardCell(c.x)).kind, c.refused ? kCellEmpty : kCellSlowdownStart)
        << c.x << " " << c.l;
  }
  EXPECT_THROW(memo_rallentamento(tables, 130000, 50, 5000, 0, 0, 0), RunFailure);
  EXPECT_EQ(Cell(2577).kind, kCellEmpty);  // the warning is not written first
}

}  // namespace
}  // namespace packager

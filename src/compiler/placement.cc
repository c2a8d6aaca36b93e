#include "compiler/placement.h"

#include "compiler/description_reader.h"
#include "compiler/grammar.h"
#include "compiler/line_reader.h"
#include "tables/error_codes.h"
#include "tables/numbers.h"

namespace packager {

namespace {

namespace g = grammar;

}  // namespace

void memo_segnale(ScenarioTables& tables, std::int32_t posizione, std::int32_t sx, std::int32_t s1,
                  std::int32_t s2, std::int32_t s3, std::int32_t rapp, std::int32_t dx,
                  std::int32_t d1, std::int32_t d2, std::int32_t d3, std::int32_t tempo,
                  const ReadingPlace* place) {
  const std::int64_t q = BoardCell(posizione);
  RouteCell& cell = tables.route_cells.at(q);
  if (!cell.IsFree()) {
    tables.RecordFault(kErrSignalTaken);
    return;
  }
  const std::int64_t sides = g::SignalSides(sx, dx);
  PutObject(tables.route_cells, q, kCellSignal, place);
  cell.param4 = LowInt16(std::int64_t{rapp} * 10 + sides);
  cell.param1 = LowInt16(std::int64_t{s1} * 10 + d1);
  cell.param2 = LowInt16(std::int64_t{s2} * 10 + d2);
  cell.param3 = LowInt16(std::int64_t{s3} * 10 + d3);
  cell.signal_time = LowByte(g::SignalTime(sx, tempo));
  for (tables.scratch6 = 1; tables.scratch6 <= g::kSignalApproachMarks; ++tables.scratch6) {
    const int k = tables.scratch6;
    const std::int64_t mark_cell = g::SignalMarkCell(q, k);
    tables.route_cells.at(mark_cell).approach_mark = LowByte(sides * 10 + k);
    TellMark(place, mark_cell, tables.route_cells.at(mark_cell).approach_mark);
  }
}

void memo_rallentamento(ScenarioTables& tables, std::int32_t x, std::int32_t v, std::int32_t l,
                        std::int32_t f_tt, std::int32_t f_ta, std::int32_t d_v,
                        const ReadingPlace* place) {
  // The signalling walk needs an end cell after the start cell.
  const std::int64_t start = BoardCell(x);
  const std::int64_t end = BoardCell(std::int64_t{x} + l);
  if (end <= start) {
    tables.RecordFault(kErrSlowdownTooShort);
    return;
  }
  RouteGrid& grid = tables.route_cells;
  const bool warned = g::SlowdownHasWarning(x);
  const std::int64_t warning = g::SlowdownWarningCell(x);
  if (warned && !grid.at(warning).IsFree()) {
    tables.RecordFault(kErrWarningTaken);
    return;
  }
  if (!warned) f_ta = 0;
  if (!grid.at(start).IsFree()) {
    tables.RecordFault(kErrSlowdownStartTaken);
    return;
  }
  if (!grid.at(end).IsFree()) {
    tables.RecordFault(kErrSlowdownEndTaken);
    return;
  }
  RouteCell& end_cell = grid.at(end);
  PutObject(grid, end, kCellSlowdownEnd, place);
  if (d_v != 0) end_cell.param2 = LowInt16(d_v);
  RouteCell& start_cell = grid.at(start);
  PutObject(grid, start, kCellSlowdownStart, place);
  if (d_v != 0) start_cell.param2 = LowInt16(d_v);
  if (warned) {
    RouteCell& warning_cell = grid.at(warning);
    PutObject(grid, warning, kCellSlowdownWarning, place);
    if (d_v != 0) warning_cell.param2 = LowInt16(d_v);
    warning_cell.param1 = LowInt16(v);
  }
  start_cell.param1 = LowInt16(v);
  end_cell.param1 = LowInt16(v);
  start_cell.param3 = LowInt16(f_tt);
  end_cell.param3 = LowInt16(f_tt);

  if (f_ta == 0) return;
  // The boards stand in the cells just before the warning, counted away from it.
  const std::int64_t first_board = g::FirstOrientationBoardCell(x);
  for (int i = 0; i < g::kOrientationBoards; ++i) {
    if (!grid.at(first_board - i).IsFree()) {
      tables.RecordFault(kErrOrientationTaken);
      return;
    }
  }
  for (tables.scratch2 = 0; tables.scratch2 < g::kOrientationBoards; ++tables.scratch2) {
    RouteCell& board =
        PutObject(grid, first_board - tables.scratch2, kCellOrientationBoard, place);
    board.param1 = LowInt16(tables.scratch2 + 1);
    if (d_v != 0) board.param2 = LowInt16(tables.scratch2 + 1);
  }
}

}  // namespace packager

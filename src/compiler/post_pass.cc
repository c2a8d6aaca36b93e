#include "compiler/post_pass.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "compiler/description_reader.h"
#include "compiler/grammar.h"
#include "tables/error_codes.h"
#include "tables/numbers.h"

namespace packager {

namespace {

using grammar::kFastSlowdown;
using grammar::kFirstSignalCell;
using grammar::kPlacesBeforeStart;
using grammar::kPointSpacing;
using grammar::kSignalReach;
using grammar::kWarningReach;
constexpr std::int16_t kPointValue = grammar::kWalkPointValue;

// How many cells before the walked cell a point may be placed or lowered:
// two before a signal as far back as the warning reach, or before the
// farthest place before a slowdown start. The slowdown walks and the signal
// after a slowdown's end write no further back than the cell before.
constexpr std::int32_t kWritesBehind =
    std::max(kWarningReach, *std::max_element(std::begin(kPlacesBeforeStart),
                                              std::end(kPlacesBeforeStart))) + 2;

class PostPass {
 public:
  PostPass(ScenarioTables& tables, const PostPassFaultSink& on_fault, ReadingObserver* observer)
      : tables_(tables), grid_(tables.route_cells), on_fault_(on_fault) {
    walk_.observer = observer;
    walk_.kind = kPackagerWalk;
  }

  // Walks cells 1 to last_walked, the whole walk at most.
  void Run(std::int64_t last_walked_at_most = INT32_MAX) {
    const auto last_walked = static_cast<std::int32_t>(std::min<std::int64_t>(
        grid_.last_index() - grammar::kWalkTailCells, last_walked_at_most));
    std::int32_t& i = tables_.scratch4;
    // The loop's bounds keep i inside the grid (below its last cell), unless
    // a step moved it below 0: only then is the read checked.
    const RouteCell* const cells = grid_.cells().data();
    for (i = 1; i <= last_walked; ++i) {
      const std::uint8_t kind = i >= 0 ? cells[i].kind : Cell(i).kind;
      if (kind == kCellSlowdownWarning) {
        SignalsBeforeWarning(i);
      } else if (kind == kCellSlowdownStart) {
        AroundSlowdown(i);
      }
    }
  }

 private:
  RouteCell& Cell(std::int64_t index) { return grid_.at(index); }

  void Place(std::int64_t index) {
    RouteCell& cell = PutObject(grid_, index, kCellAbbattimento, &walk_);
    cell.param1 = kPointValue;
  }

  void Lower(std::int64_t index) {
    RouteCell& cell = Cell(index);
    cell.param1 = LowInt16(minimo(kPointValue, cell.param1));
  }

  void Fault(std::int32_t code, std::int64_t cell) {
    const auto position = static_cast<std::int32_t>(cell * kCellLength);
    const FaultSource source{"", 0, "cell " + std::to_string(cell)};
    tables_.RecordFault(code, position, source);
    if (on_fault_) on_fault_(code, position, source);
  }

  // Rule A: every signal among the 20 cells before the warning at cell i gets
  // a point in one of its two preceding cells, or has an existing point
  // there lowered.
  void SignalsBeforeWarning(std::int32_t i) {
    std::int32_t& k = tables_.scratch5;
    for (k = 1; k <= kWarningReach; ++k) {
      const std::int32_t s = i - k;
      if (s < kFirstSignalCell) return;
      if (Cell(s).kind != kCellSignal) continue;
      tables_.scratch1 = s - 1;
      if (Cell(s - 1).IsFree()) {
        Place(s - 1);
      } else if (Cell(s - 2).IsFree()) {
        Place(s - 2);
      } else if (Cell(s - 1).kind == kCellAbbattimento) {
        Lower(s - 1);
      } else if (Cell(s - 2).kind == kCellAbbattimento) {
        Lower(s - 2);
      } else {
        Fault(kErrSignalBeforeWarning, s);
      }
    }
  }

  // Rule B: points before the slowdown starting at cell i, inside it when it
  // is slow, and before the first signal after its end.
  void AroundSlowdown(std::int32_t i) {
    for (const std::int32_t nearest : kPlacesBeforeStart) {
      if (i > nearest + 2) PlaceBeforeStart(i, nearest);
    }
    // A fast slowdown has no walk inside, but the signal after it is still
    // searched from its own end cell, never from whatever an earlier walk
    // left in the shared counter.
    const bool end_found = Cell(i).param1 < kFastSlowdown ? WalkInside(i) : WalkToEnd(i);
    if (end_found) PointBeforeSignalAfterEnd();
  }

  void PlaceBeforeStart(std::int32_t i, std::int32_t nearest) {
    for (std::int32_t cell = i - nearest; cell >= i - nearest - 2; --cell) {
      if (Cell(cell).IsFree()) {
        Place(cell);
        return;
      }
    }
    Fault(kErrNoRoomBeforeSlowdown, i);
  }

  // Walks j from the start cell i to the end cell (kind 2), with a point
  // every 8 cells, each counted from the point before it. n is the count of
  // cells since the last point; after a fault it stays past 8, so no further
  // point is placed inside this slowdown; a neighbour beyond the grid counts
  // as taken. A walk that would step past the grid's last cell records code 28
  // there and returns false, so that nothing after the grid is searched.
  bool WalkInside(std::int32_t i) {
    std::int32_t& n = tables_.scratch1;
    std::int32_t& j = tables_.scratch5;
    n = 0;
    j = i;
    do {
      if (j >= grid_.last_index()) {
        Fault(kErrWalkLeavesGrid, j);
        return false;
      }
      ++j;
      ++n;
      if (n == kPointSpacing) {
        const std::int64_t next = static_cast<std::int64_t>(j) + 1;
        if (Cell(j).IsFree()) {
          Place(j);
          n = 0;
        } else if (Cell(j - 1).IsFree()) {
          Place(j - 1);
          n = 1;
        } else if (grid_.contains(next) && Cell(next).IsFree()) {
          Place(next);
          n = -1;
        } else {
          Fault(kErrNoRoomInsideSlowdown, j);
        }
      }
    } while (Cell(j).kind != kCellSlowdownEnd);
    return true;
  }

  // Leaves j at the end cell of the slowdown starting at cell i, placing
  // nothing; false, with code 28, when the grid ends first.
  bool WalkToEnd(std::int32_t i) {
    std::int32_t& j = tables_.scratch5;
    j = i;
    do {
      if (j >= grid_.last_index()) {
        Fault(kErrWalkLeavesGrid, j);
        return false;
      }
      ++j;
    } while (Cell(j).kind != kCellSlowdownEnd);
    return true;
  }

  // Searches cells j to j + 12 after the end cell j for the first signal and
  // places a point in one of its two preceding cells; an existing point is
  // not lowered here. Cells beyond the grid hold no signal: the search stops
  // at the grid's last cell and records nothing.
  void PointBeforeSignalAfterEnd() {
    const std::int32_t j = tables_.scratch5;
    for (std::int32_t step = 0; step <= kSignalReach; ++step) {
      const std::int64_t m = static_cast<std::int64_t>(j) + step;
      if (!grid_.contains(m)) return;
      tables_.scratch2 = static_cast<std::int32_t>(m);
      if (Cell(m).kind != kCellSignal) continue;
      tables_.scratch1 = static_cast<std::int32_t>(m - 1);
      if (Cell(m - 1).IsFree()) {
        Place(m - 1);
      } else if (Cell(m - 2).IsFree()) {
        Place(m - 2);
      } else {
        Fault(kErrNoRoomInsideSlowdown, j);
      }
      return;
    }
  }

  ScenarioTables& tables_;
  RouteGrid& grid_;
  const PostPassFaultSink& on_fault_;
  ReadingPlace walk_;  // the writer of the points, for the observer
};

}  // namespace

std::int32_t minimo(std::int32_t x, std::int32_t y) { return x > y ? y : x; }

void SignallingPostPass(ScenarioTables& tables, const PostPassFaultSink& on_fault,
                        ReadingObserver* observer) {
  if (!tables.route_cells.exists()) return;
  PostPass(tables, on_fault, observer).Run();
}

void SignallingPostPassThrough(ScenarioTables& tables, std::int64_t cell) {
  if (!tables.route_cells.exists()) return;
  PostPass(tables, {}, nullptr).Run(std::max<std::int64_t>(cell, 0) + kWritesBehind);
}

}  // namespace packager

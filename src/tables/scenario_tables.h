// The scenario tables: the whole state of one packaging run.
//
// Every stage of the run (the text writers, the two readers, the signalling
// post-pass, the competition codes and the binary writer) reads and writes
// one ScenarioTables object that the run owns and passes by reference. The
// members keep the declaration order, widths and signedness that the binary
// files repeat on disk; nothing here checks values, except the bounds-checked
// cell access that turns a stray index into a recorded run-time failure.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/run_failure.h"
#include "tables/track_plan.h"

namespace packager {

// Cell kinds of the route grid.
enum CellKind : std::uint8_t {
  kCellEmpty = 0,
  kCellSignal = 1,
  kCellSlowdownEnd = 2,
  kCellSlowdownStart = 3,
  kCellSlowdownWarning = 4,
  kCellOrientationBoard = 5,
  kCellSpeedBoard = 6,
  kCellStationStop = 10,
  kCellMountainMarker = 11,
  kCellAbbattimento = 12,
  kCellPlainAbbattimento = 13,
  kCellIndicatorBoard = 14,
};

// One 50 m cell of the route grid.
struct RouteCell {
  std::uint8_t kind = 0;
  std::int16_t param1 = 0;
  std::int16_t param2 = 0;
  std::int16_t param3 = 0;
  std::int16_t param4 = 0;
  std::uint8_t signal_time = 0;
  std::uint8_t approach_mark = 0;
  std::uint8_t mountain_kind = 0;
  std::uint8_t speed_code = 0;
  std::uint8_t gradient_code = 0;
  std::uint8_t adhesion = 0;

  // Objects are placed only on empty cells or mountain markers.
  bool IsFree() const { return kind == kCellEmpty || kind == kCellMountainMarker; }
};

// One entry of the scenario table: a station, a board caption or a reserved
// entry. Texts are held as Windows-1252 bytes.
struct TableEntry {
  std::uint8_t kind = 0;
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::int32_t position = 0;
  std::uint8_t byte1 = 0;
  std::string text;
  std::int16_t int1 = 0;
  std::int16_t int2 = 0;
  std::int16_t int3 = 0;
  std::int16_t int4 = 0;
  std::int16_t int5 = 0;
  std::uint8_t byte2 = 0;
  std::uint8_t byte3 = 0;
  std::uint8_t byte4 = 0;
  std::uint8_t byte5 = 0;
  std::int32_t seconds = 0;
};

// Fixed indices of the scenario table.
inline constexpr int kScenarioTableSize = 87;
inline constexpr int kFirstStationEntry = 1;
inline constexpr int kFirstCaptionEntry = 80;  // captions fill downward
inline constexpr int kProgressiveTreEntry = 81;
inline constexpr int kProgressiveDueEntry = 82;
inline constexpr int kProgressiveUnoEntry = 83;
inline constexpr int kTrainValuesEntry = 84;  // braked mass, line length, carriages
inline constexpr int kScenarioEntry = 85;     // backgrounds, name, markers, code
inline constexpr int kSignallingEntry = 86;   // cab signalling, train number, clock

inline constexpr int kMountainSlots = 81;       // indices 0 to 80, used from 1
inline constexpr int kPlanLengthMargin = 7000;  // metres added to the line length
inline constexpr int kCellLength = 50;          // metres of line per route cell

// The route grid: cells 0 to last_index().
class RouteGrid {
 public:
  // Re-creates the grid with cells 0 to last, every member zero.
  void Create(std::int32_t last);
  bool exists() const { return !cells_.empty(); }
  // The index of the last cell (UBound); -1 when the grid does not exist.
  std::int32_t last_index() const { return static_cast<std::int32_t>(cells_.size()) - 1; }
  bool contains(std::int64_t index) const {
    return index >= 0 && index < static_cast<std::int64_t>(cells_.size());
  }
  // Bounds-checked access; a cell outside the grid is a run-time failure.
  RouteCell& at(std::int64_t index);
  const RouteCell& at(std::int64_t index) const;
  const std::vector<RouteCell>& cells() const { return cells_; }
  // Cells first to end - 1, for a caller that writes them in a row: first
  // is checked as at() checks it; end must not pass the grid's end.
  RouteCell* Span(std::int64_t first, std::int64_t end);

  // A grid tried on and put back at the cost of what the try changed: from
  // StartJournal on, each cell handed out for writing (at(), Span()) is
  // kept as it stood; Restore puts back every cell kept since, and the
  // journal goes on. StopJournal forgets them, and keeps none after.
  void StartJournal() {
    journal_.clear();
    journaling_ = true;
  }
  void StopJournal() {
    journal_.clear();
    journaling_ = false;
  }
  void Restore();

 private:
  struct Kept {
    std::int64_t index;
    RouteCell cell;
  };
  void Check(std::int64_t index) const;

  std::vector<RouteCell> cells_;
  bool journaling_ = false;
  std::vector<Kept> journal_;
};

// Where the last recorded fault was found, for the author's message.
struct FaultSource {
  std::string file;    // description text being read, empty if none
  int line = 0;        // text line of the record, 0 if none
  std::string detail;  // what exactly was wrong, empty if nothing to add
  int column = 0;      // column of the field that failed, 0 if none
  // The lines of the record being read: its keyword's line and the last line
  // the reading took a field from; 0 when no record was being read.
  int record_line = 0;
  int last_line = 0;
};

// Everything the tables hold but the line plan: what a copy of the tables
// after the line description needs for the stages that follow it, none of
// which reads the plan.
struct TablesWithoutPlan {
  RouteGrid route_cells;
  std::array<TableEntry, kScenarioTableSize> scenario_table{};
  std::array<std::int32_t, kMountainSlots> mountain_start{};
  std::array<std::int32_t, kMountainSlots> mountain_end{};
  std::int32_t mountain_count = 0;
  std::int32_t with_plan = 0;
  // Shared counters. The stages keep loop indices and flags here, each
  // writing a counter before it reads it: no stage reads what another left,
  // and no file holds them.
  //   scratch1  post-pass: n, the cells since the last point of a slowdown
  //             walk; also the cell before a signal that gets a point
  //   scratch2  slowdown placement: the orientation board loop index;
  //             post-pass: the cell searched for a signal after a slowdown
  //   scratch3  no stage
  //   scratch4  text writers: the line index; mountain placement: the cell
  //             index; train reader: the loop index over entries 81 to 83 of
  //             the progressive check; post-pass: i, the cell walked
  //   scratch5  mountain placement: 1 when the stretch is marked, else 0;
  //             train reader: the station approach-mark loop index, then the
  //             flag of the progressive check (1 when an entry's start or end
  //             is no multiple of 50), which the post-pass finds there and
  //             overwrites unread; post-pass: k of the warning rule, and j,
  //             the cell of a walk through a slowdown
  //   scratch6  signal placement: the approach-mark loop index
  std::int32_t scratch1 = 0;
  std::int32_t scratch2 = 0;
  std::int32_t scratch3 = 0;
  std::int32_t scratch4 = 0;
  std::int32_t scratch5 = 0;
  std::int32_t scratch6 = 0;
  std::string train_number;
  std::string scenario_name;
  std::string token;
  std::int32_t plan_last = 0;
  std::int32_t error_code = 0;
  std::int32_t error_position = 0;

  // Diagnostics that go with error_code; never written to any file.
  bool error_position_set = false;
  FaultSource error_source;
};

struct ScenarioTables : TablesWithoutPlan {
  TrackPlan track_plan;

  // Records a fault with where it was found; a later fault replaces an
  // earlier one. Without a position, error_position keeps its value.
  void RecordFault(std::int32_t code, FaultSource source = {});
  void RecordFault(std::int32_t code, std::int32_t position, FaultSource source = {});

  // Resets every entry of scenario_table to zero numbers and empty texts.
  void ClearScenarioTable();
};

}  // namespace packager

// Reads the line description back into the scenario tables: the reserved
// entries 81 to 86, the route grid with gradients, mountain stretches and
// boards, the board captions, and the line plan from the curves.
#pragma once

#include <cstdint>
#include <string>

#include "tables/scenario_tables.h"

namespace packager {

// Where the reading stands, kept up to date for the messages of faults that
// the failure handler catches.
struct ReadingPlace {
  std::string file;  // name of the text being read, empty when none
  int line = 0;      // line of the record being handled
};

struct LineReadOutcome {
  bool read_train = false;              // the train description is read next
  int board_slot = kFirstCaptionEntry;  // the next free caption entry
};

// Reads and deletes the line description in directory. Recorded faults go
// into tables.error_code; run-time failures (RunFailure) are left to the
// caller, which records them as code 25.
LineReadOutcome ReadLineDescription(ScenarioTables& tables, const std::string& directory,
                                    ReadingPlace& place);

// Places a mountain stretch: its type on the cells from inizio / 50 to
// fine / 50 - 1, and markers on every fourth cell of a marked stretch.
void memo_montagna(ScenarioTables& tables, std::int32_t inizio, std::int32_t fine,
                   std::int32_t tipo);

// Places a speed board, or records code 21 when its cell is taken.
void memo_indicatori_v_max(ScenarioTables& tables, std::int32_t posizione, std::int32_t vas,
                           std::int32_t vbs, std::int32_t vcs, std::int32_t strisces,
                           std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                           std::int32_t strisced);

// The cell of a board at position p: p / 50 + 1, rounded half to even.
std::int64_t BoardCell(std::int64_t position);

// True when a record at position p fits the grid: (p + 100) / 50 does not
// exceed the last cell (extra is 100 for records, 800 for stations).
bool PassesGridTest(const ScenarioTables& tables, std::int64_t position, std::int64_t extra);

}  // namespace packager

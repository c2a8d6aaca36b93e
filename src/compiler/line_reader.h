// Reads the line description back into the scenario tables: the reserved
// entries 81 to 86, the route grid with gradients, mountain stretches and
// boards, the board captions, and the line plan from the curves.
#pragma once

#include <cstdint>

#include "compiler/description_reader.h"
#include "compiler/description_texts.h"
#include "tables/scenario_tables.h"

namespace packager {

struct LineReadOutcome {
  bool read_train = false;              // the train description is read next
  int board_slot = kFirstCaptionEntry;  // the next free caption entry
};

// Reads and deletes the line description of texts. Recorded faults go into
// tables.error_code; run-time failures (RunFailure) are left to the caller,
// which records them as code 25.
LineReadOutcome ReadLineDescription(ScenarioTables& tables, DescriptionTexts& texts,
                                    ReadingPlace& place);

// Places a mountain stretch: its type on the cells from inizio / 50 to
// fine / 50 - 1, and markers on every fourth cell of a marked stretch.
void memo_montagna(ScenarioTables& tables, std::int32_t inizio, std::int32_t fine,
                   std::int32_t tipo, const ReadingPlace* place = nullptr);

// Places a speed board, or records code 21 when its cell is taken.
void memo_indicatori_v_max(ScenarioTables& tables, std::int32_t posizione, std::int32_t vas,
                           std::int32_t vbs, std::int32_t vcs, std::int32_t strisces,
                           std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                           std::int32_t strisced, const ReadingPlace* place = nullptr);

}  // namespace packager

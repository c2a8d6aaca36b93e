// Reads the train description back into the scenario tables: the train's
// values into entries 84 and 86, the stations from entry 1 upward, speed and
// adhesion into every cell, and signals, slowdowns, abbattimento points and
// station stop points onto single cells.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/description_reader.h"
#include "compiler/description_texts.h"
#include "tables/scenario_tables.h"

namespace packager {

// Reads and deletes the train description of texts. board_slot is the next
// free caption entry the line left: the stations must stay below it.
// Recorded faults go into tables.error_code; run-time failures (RunFailure)
// are left to the caller, which records them as code 25.
void ReadTrainDescription(ScenarioTables& tables, DescriptionTexts& texts, int board_slot,
                          ReadingPlace& place);

// The reason of the run-time failure of a speed the route grid cannot hold,
// which the reading meets at the next speed record or at the text's end.
std::string SpeedBeyondGridReason(std::int64_t speed);

}  // namespace packager

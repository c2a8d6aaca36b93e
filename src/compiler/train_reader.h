// Reads the train description back into the scenario tables: the train's
// values into entries 84 and 86, the stations from entry 1 upward, speed and
// adhesion into every cell, and signals, slowdowns, abbattimento points and
// station stop points onto single cells.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/description_reader.h"
#include "compiler/description_texts.h"
#include "sources/field_stream.h"
#include "tables/scenario_tables.h"

namespace packager {

// A reading of the train description paused before the record whose
// keyword is on `line`: what the reader holds besides the tables, which the
// caller keeps as they stood then. A text changed only from that line on
// is read on from there as the whole of it would be.
struct TrainReadingPause {
  struct Running {
    std::int64_t cursor = 0;
    std::int32_t previous = 0;
    int line = 0;
  };
  int line = 0;
  FieldStream::Place stream;
  int record_line = 0;  // the line of the record read last
  int station_index = 0;
  Running speed;
  Running adhesion;

  // Whether a reading can go on from here after lines first_changed on
  // changed: the stream has not read into them.
  bool Before(int first_changed) const {
    return stream.line < first_changed ||
           (stream.line == first_changed && stream.position == stream.line_start);
  }
};

// Reads and deletes the train description of texts. board_slot is the next
// free caption entry the line left: the stations must stay below it.
// Recorded faults go into tables.error_code; run-time failures (RunFailure)
// are left to the caller, which records them as code 25.
// From a pause, when given (tables as they stood then); pausing before the
// record of pause_at->line, when given and met: the reading then returns,
// pause_at filled and true, with the tables as they stand before that record.
bool ReadTrainDescription(ScenarioTables& tables, DescriptionTexts& texts, int board_slot,
                          ReadingPlace& place, const TrainReadingPause* from = nullptr,
                          TrainReadingPause* pause_at = nullptr);

// The reason of the run-time failure of a speed the route grid cannot hold,
// which the reading meets at the next speed record or at the text's end.
std::string SpeedBeyondGridReason(std::int64_t speed);

}  // namespace packager

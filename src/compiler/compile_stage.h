// The compile stage as one call: the texts of a scenario in, the tables and
// the outcome out. It shows nothing and ends nothing; what a caller does with
// the outcome (an error box, a message, the binary files) is the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/description_texts.h"
#include "compiler/line_reader.h"
#include "compiler/reading_observer.h"
#include "compiler/train_reader.h"
#include "tables/scenario_tables.h"

namespace packager {

// A fault recorded in the texts or by the post-pass, and where it was found.
struct RecordedFault {
  std::int32_t code = 0;  // 0: none
  std::optional<std::int32_t> position;  // metres, when the fault names one
  FaultSource source;

  // The fault that the tables hold now.
  static RecordedFault Of(const ScenarioTables& tables);
};

struct CompileOutcome {
  // The binary files are written all the same after a recorded fault.
  RecordedFault fault;
  // The fault that stopped the reading of the first text that recorded one,
  // before the post-pass ran: a fault of the line description is not hidden
  // by what the train description's reading recorded after it.
  RecordedFault reading_fault;
  // Every fault the post-pass recorded, in the order found; `fault` holds
  // the last of them when no reading fault came after.
  std::vector<RecordedFault> post_pass_faults;
  // 1250 or 1251 when a reserved slot of the tables was taken: no binary
  // file may be written. 0 otherwise.
  std::int32_t reserved_slot_fault = 0;
  // The tables can be written: the line description sized the route grid
  // and no reserved slot was taken.
  bool writes_files = false;
};

// Clears the tables' fault and scenario table, reads both texts of texts
// (deleting them), runs the signalling post-pass, checks the reserved slots
// and stamps the markers and competition codes. The tables keep the fault as
// well (error_code, error_position, error_source). scenario_name and
// train_number must be set. observer, when given, is told of every record
// read; the tables come out the same.
CompileOutcome CompileScenario(ScenarioTables& tables, DescriptionTexts& texts,
                               std::int32_t with_plan, ReadingObserver* observer = nullptr);

// CompileScenario in two steps: CompileLineDescription, then
// CompileTrainDescription with what it returned. A caller that reads the
// train description more than once (a new version of it, the same line
// description) runs the first step once and the second on a copy of the
// tables as the first left them (TablesWithoutPlan: no later stage reads the
// line plan, and faults of the plan arise only in the first step).
struct LineStage {
  LineReadOutcome line;
  RecordedFault fault;  // what the line description's reading recorded; code 0: none
};

// Clears the tables' fault and scenario table, then reads the line
// description of texts (deleting it), building the line plan when with_plan
// is not 0.
LineStage CompileLineDescription(ScenarioTables& tables, DescriptionTexts& texts,
                                 std::int32_t with_plan, ReadingObserver* observer = nullptr);

// How much of the work after the reading a compile does: all of it, or
// only what finds the reserved slot fault (the post-pass walked only as far
// as it may write the slots' cell): then the outcome holds the reading
// fault and the reserved slot fault alone, and the tables are fit for
// nothing but a look at what the reading left.
enum class AfterTheReading { kEverything, kReservedSlotsOnly };

// Reads the train description of texts (deleting it) when the line
// description let it, then runs the post-pass and the rest of
// CompileScenario on tables as CompileLineDescription left them, or, with
// `from`, on tables as they stood at that pause of the train's reading.
CompileOutcome CompileTrainDescription(ScenarioTables& tables, DescriptionTexts& texts,
                                       const LineStage& line, ReadingObserver* observer = nullptr,
                                       const TrainReadingPause* from = nullptr,
                                       AfterTheReading after = AfterTheReading::kEverything);

// The one line that reports a recorded fault, e.g.
// "Vardessa_Lontrino_linea.txt:120: error 15 at 130901 m: a record lies ...".
// A field that failed adds its column: "NAME_linea.txt:9:12: error 25: ...".
std::string FaultReport(const RecordedFault& fault);

}  // namespace packager

#include "compiler/compile_stage.h"

#include "compiler/competition_codes.h"
#include "compiler/memorizza_dati.h"
#include "compiler/post_pass.h"
#include "tables/error_codes.h"

namespace packager {

CompileOutcome CompileScenario(ScenarioTables& tables, DescriptionTexts& texts,
                               std::int32_t with_plan, ReadingObserver* observer) {
  const LineStage line = CompileLineDescription(tables, texts, with_plan, observer);
  return CompileTrainDescription(tables, texts, line, observer);
}

LineStage CompileLineDescription(ScenarioTables& tables, DescriptionTexts& texts,
                                 std::int32_t with_plan, ReadingObserver* observer) {
  tables.with_plan = with_plan;
  tables.error_code = 0;
  tables.error_position_set = false;
  tables.error_source = {};
  tables.ClearScenarioTable();

  LineStage stage;
  stage.line = memorizza_linea(tables, texts, observer);
  stage.fault = RecordedFault::Of(tables);
  return stage;
}

CompileOutcome CompileTrainDescription(ScenarioTables& tables, DescriptionTexts& texts,
                                       const LineStage& line, ReadingObserver* observer,
                                       const TrainReadingPause* from, AfterTheReading after) {
  CompileOutcome outcome;
  outcome.reading_fault = line.fault;
  memorizza_treno(tables, texts, line.line, observer, from);
  if (outcome.reading_fault.code == 0) outcome.reading_fault = RecordedFault::Of(tables);

  // A line description that stopped before sizing the grid leaves nothing
  // to complete, check or write.
  if (tables.route_cells.exists() && after == AfterTheReading::kReservedSlotsOnly) {
    SignallingPostPassThrough(tables, kStampCell);
    outcome.reserved_slot_fault = StampReservedSlots(tables);
    return outcome;
  }
  if (tables.route_cells.exists()) {
    SignallingPostPass(tables, [&](std::int32_t code, std::int32_t position,
                                   const FaultSource& source) {
          outcome.post_pass_faults.push_back({code, position, source});
        },
        observer);
    outcome.reserved_slot_fault = StampReservedSlots(tables);
    outcome.writes_files = outcome.reserved_slot_fault == 0;
  }
  outcome.fault = RecordedFault::Of(tables);
  return outcome;
}

RecordedFault RecordedFault::Of(const ScenarioTables& tables) {
  RecordedFault fault;
  fault.code = tables.error_code;
  if (tables.error_position_set) fault.position = tables.error_position;
  fault.source = tables.error_source;
  return fault;
}

std::string FaultReport(const RecordedFault& fault) {
  std::string line;
  const FaultSource& source = fault.source;
  if (!source.file.empty()) {
    line += source.file;
    if (source.line > 0) line += ':' + std::to_string(source.line);
    if (source.line > 0 && source.column > 0) line += ':' + std::to_string(source.column);
    line += ": ";
  }
  line += "error " + std::to_string(fault.code);
  if (fault.position) line += " at " + std::to_string(*fault.position) + " m";
  const char* meaning = ErrorMeaning(fault.code);
  line += ": ";
  line += meaning != nullptr ? meaning : "unknown fault";
  if (!source.detail.empty()) line += " (" + source.detail + ")";
  return line;
}

}  // namespace packager

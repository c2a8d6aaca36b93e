// What the checker says of a fault where the compile's own words name
// another place than the author's slip, or leave the author to guess what
// to change: a speed the route grid cannot hold (the compile fails later,
// at the next speed record), a text that ends inside a record (the compile
// names the line after the last), a slowdown whose end takes no later cell
// than its start, a curve, a mountain stretch or a slowdown that ends past
// the route grid's last cell, the packager's own abbattimento point landing in the
// reserved cell 1, and a signal before a slowdown warning with no room for a
// point (code 11).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"

namespace packager::tool {

// The record at fault and what to say there.
struct ExplainedFault {
  int line = 0;  // where the caret stands: the record's keyword or the field at fault
  int column = 0;
  int first_line = 0;  // the record's lines, set aside for the next round
  int last_line = 0;
  std::string message;  // UTF-8
};

// Whether ExplainReadingFault may explain the fault, given the records the
// reading observed: the check observes the reading of such a fault only.
bool MayExplain(const RecordedFault& fault);

// A reading fault explained from the records the reading observed up to it
// and the tables it left; none when the compile's own words say it.
std::optional<ExplainedFault> ExplainReadingFault(const std::vector<ReadRecord>& records,
                                                  const TablesWithoutPlan& tables,
                                                  const RecordedFault& fault);

// Error 1250 of an abbattimento point the walk after the reading put in
// cell 1, serving the slowdown start or warning in served_cell: said at the
// slowdown's record.
std::optional<ExplainedFault> ExplainPointInCellOne(const ReadingLog& log, const RouteGrid& grid,
                                                    std::int64_t served_cell);

// Code 11, said at the signal's record with what holds the two cells before it.
std::optional<ExplainedFault> ExplainSignalBeforeWarning(const ReadingLog& log,
                                                         const RouteGrid& grid,
                                                         const RecordedFault& fault);

}  // namespace packager::tool

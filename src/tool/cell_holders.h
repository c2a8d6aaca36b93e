// What holds a taken cell: when a record is refused because its cell already
// holds an object, the object and the record that put it there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"

namespace packager::tool {

// The cells a record puts an object on, as the readers place them: boards
// and signals, slowdown cells, abbattimento points and station stop points.
std::vector<std::int64_t> ObjectCells(const ReadRecord& record);

// For a fault of a taken cell (codes 6, 7 and 16 to 21): "cell 36 (1800 m)
// holds a signal, put there by line 12 of FILE". Empty for other faults or
// when the cell cannot be found. records: what the reading observed up to
// the fault; tables: as the reading left them.
std::string TakenCellNote(const std::vector<ReadRecord>& records, const RecordedFault& fault,
                          const ScenarioTables& tables);

// The faults TakenCellNote explains (codes 6, 7 and 16 to 21); for any other
// it is empty, whatever the records.
bool IsTakenCellFault(std::int32_t code);

}  // namespace packager::tool

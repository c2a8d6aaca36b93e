// What holds a taken cell: when a record is refused because its cell already
// holds an object, the object and the record that put it there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"

namespace packager::tool {

// The cells a record puts an object on, as the readers place them: boards
// and signals, slowdown cells, abbattimento points and station stop points.
std::vector<std::int64_t> ObjectCells(const ReadRecord& record);

// The record that put an object on a cell: its text, its keyword's place
// and what it put there ("a signal").
struct CellHolder {
  std::string file;
  int line = 0;
  int column = 0;
  std::string object;
};

// For a fault of a taken cell (codes 6, 7 and 16 to 21): the note "cell 36
// (1800 m) holds a signal" and the record that put it there, when there is
// one. Empty for other faults or when the cell cannot be found. records:
// what the reading observed up to the fault; tables: as the reading left
// them.
struct TakenCell {
  std::string note;
  std::optional<CellHolder> holder;
};
TakenCell TakenCellOf(const std::vector<ReadRecord>& records, const RecordedFault& fault,
                      const ScenarioTables& tables);

// "a signal", "an indicator board": what a cell of this kind holds.
const char* ObjectName(std::uint8_t kind);

// The faults TakenCellOf explains (codes 6, 7 and 16 to 21); for any other
// it is empty, whatever the records.
bool IsTakenCellFault(std::int32_t code);

}  // namespace packager::tool

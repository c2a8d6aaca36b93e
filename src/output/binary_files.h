// The three binary scenario files that end a run.
//
// Each file is a plain dump of one table as packed little-endian records (see
// record_layouts.h), with no header, no record count and no checksum:
//
//   line plan file    track_plan: the first coordinate of metres 0 to last,
//                     then the second coordinate of the same metres
//   train table file  scenario_table: all entries in index order
//   route grid file   route_cells: all cells in index order
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tables/scenario_tables.h"

namespace packager {

// The file bytes of each table. A plan that does not exist encodes to no
// bytes. EncodeLinePlan puts the whole line plan file into one string, for
// readers of the whole file; the run writes it a chunk at a time (TrackPlan::
// WriteFile). A text longer than 65535 bytes throws std::length_error.
std::string EncodeLinePlan(const TrackPlan& plan);
std::string EncodeTrainTable(const std::array<TableEntry, kScenarioTableSize>& table);
std::string EncodeRouteGrid(const RouteGrid& grid);

// The names of the files WriteBinaryFiles writes, in the order it writes
// them: the line plan file when with_plan is not 0 and the plan exists, then
// the train table file and the route grid file. Empty when the route grid
// does not exist.
std::vector<std::string> BinaryFileNames(const ScenarioTables& tables);

// Writes the binary files named by BinaryFileNames into the directory, all
// replaced whole by one ReplaceFiles call (the line plan computed as it is
// written); a line plan file left by an earlier run stays untouched when no
// plan is written. When the route grid does not
// exist nothing is written at all. All files are encoded before the first is
// written, so a text too long for its count leaves the directory as it was; a
// FileFailure leaves the files before it in that order replaced and the one
// it was writing, and those after it, as an earlier run left them.
void WriteBinaryFiles(const ScenarioTables& tables, const std::string& directory);

}  // namespace packager

// The line as stretches of metres: the runs of equal value that the route
// grid's running bytes make (speed, gradient, adhesion, mountain type) and
// the curves of the line plan, found one way for the profile that draws them
// and the report page that lists them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"

namespace packager::render {

// The byte of a cell that a running part holds: speed_code, gradient_code,
// adhesion or mountain_kind; 0 for any other part.
int StoredByte(const RouteCell& cell, CellPart part);

// Cells first_cell to last_cell holding one value of a part, written by one
// record. by is that record; null when no reading log was given or no record
// wrote these cells (before the first record, the grid's last cells).
struct CellRun {
  std::int64_t first_cell = 0;
  std::int64_t last_cell = 0;
  int stored = 0;
  const Writer* by = nullptr;
};

// The runs of the whole grid, cell 0 to its last, one per change of value or
// of the record that wrote it (the latter only with a log).
std::vector<CellRun> RunsOf(const RouteGrid& grid, CellPart part, const ReadingLog* log = nullptr);

// "NAME_linea.txt:12" for a record of a text, "" for none.
std::string SourceOf(const Writer* by);

// A curve found in the line plan, where its direction turns: the plan holds
// points, not the curve records, so a curve is a run of metres that turn
// alike, and two records that meet with one class and side read as one.
struct Curve {
  std::int64_t start;  // the metre before the first that turns
  std::int64_t end;    // the last metre that turns
  int curve_class;     // 1 to 6
  int side;            // +1 right, -1 left
};

// The curves of the plan up to metre `through`; none for an absent plan.
std::vector<Curve> CurvesOf(const TrackPlan& plan, std::int64_t through);

// The radius in metres of a curve class 1 to 6.
int RadiusOfClass(int curve_class);

// The first curve record of the log whose metres meet the curve's; none
// without a log or such a record.
const ReadRecord* CurveRecordOf(const Curve& curve, const ReadingLog* log);

}  // namespace packager::render

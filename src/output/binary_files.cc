#include "output/binary_files.h"

#include <cassert>
#include <cstddef>

#include "output/record_layouts.h"
#include "tables/coding.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager {

namespace {

bool WritesLinePlan(const ScenarioTables& tables) {
  return tables.with_plan != 0 && tables.track_plan.exists();
}

void AppendEntry(std::string& out, const TableEntry& entry) {
  AppendU8(out, entry.kind);
  AppendI32(out, entry.start);
  AppendI32(out, entry.end);
  AppendI32(out, entry.position);
  AppendU8(out, entry.byte1);
  AppendText(out, entry.text);
  AppendI16(out, entry.int1);
  AppendI16(out, entry.int2);
  AppendI16(out, entry.int3);
  AppendI16(out, entry.int4);
  AppendI16(out, entry.int5);
  AppendU8(out, entry.byte2);
  AppendU8(out, entry.byte3);
  AppendU8(out, entry.byte4);
  AppendU8(out, entry.byte5);
  AppendI32(out, entry.seconds);
}

void EncodeCell(char* out, const RouteCell& cell) {
  using namespace layout;
  EncodeU8(out + kCellKind, cell.kind);
  EncodeI16(out + kCellParam1, cell.param1);
  EncodeI16(out + kCellParam2, cell.param2);
  EncodeI16(out + kCellParam3, cell.param3);
  EncodeI16(out + kCellParam4, cell.param4);
  EncodeU8(out + kCellSignalTime, cell.signal_time);
  EncodeU8(out + kCellApproachMark, cell.approach_mark);
  EncodeU8(out + kCellMountainKind, cell.mountain_kind);
  EncodeU8(out + kCellSpeedCode, cell.speed_code);
  EncodeU8(out + kCellGradientCode, cell.gradient_code);
  EncodeU8(out + kCellAdhesion, cell.adhesion);
}

}  // namespace

std::string_view EncodeLinePlan(const TrackPlan& plan) { return plan.FileBytes(); }

std::string EncodeTrainTable(const std::array<TableEntry, kScenarioTableSize>& table) {
  std::size_t size = 0;
  for (const TableEntry& entry : table) size += layout::EntryRecordSize(entry.text.size());
  std::string out;
  out.reserve(size);
  for (const TableEntry& entry : table) AppendEntry(out, entry);
  assert(out.size() == size);
  return out;
}

std::string EncodeRouteGrid(const RouteGrid& grid) {
  // Sized once and filled in place: a cell is written at its offset rather
  // than appended byte by byte.
  std::string out(grid.cells().size() * layout::kCellRecordSize, '\0');
  char* at = out.data();
  for (const RouteCell& cell : grid.cells()) {
    EncodeCell(at, cell);
    at += layout::kCellRecordSize;
  }
  return out;
}

std::vector<std::string> BinaryFileNames(const ScenarioTables& tables) {
  std::vector<std::string> names;
  if (!tables.route_cells.exists()) return names;
  if (WritesLinePlan(tables)) names.push_back(LinePlanFileName(tables.scenario_name));
  names.push_back(TrainTableFileName(tables.scenario_name, tables.train_number));
  names.push_back(RouteGridFileName(tables.scenario_name, tables.train_number));
  return names;
}

void WriteBinaryFiles(const ScenarioTables& tables, const std::string& directory) {
  const std::vector<std::string> names = BinaryFileNames(tables);
  if (names.empty()) return;
  // The line plan is written from the plan's own bytes; the two small
  // tables are encoded into one buffer each.
  const std::string train_table = EncodeTrainTable(tables.scenario_table);
  const std::string route_grid = EncodeRouteGrid(tables.route_cells);
  std::vector<std::string_view> contents;
  if (WritesLinePlan(tables)) contents.push_back(EncodeLinePlan(tables.track_plan));
  contents.push_back(train_table);
  contents.push_back(route_grid);
  assert(contents.size() == names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    ReplaceFile(JoinPath(directory, names[i]), contents[i]);
  }
}

}  // namespace packager

#include "output/binary_files.h"

#include <cassert>
#include <cstddef>
#include <stdexcept>

#include "output/coding.h"
#include "output/record_layouts.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager {

namespace {

bool WritesLinePlan(const ScenarioTables& tables) {
  return tables.with_plan != 0 && tables.track_plan.exists();
}

void AppendPlanValue(std::string& out, const PlanValue& value) {
  AppendU16(out, static_cast<std::uint16_t>(value.tag));
  switch (value.tag) {
    case PlanValue::Tag::kEmpty:
      return;
    case PlanValue::Tag::kInt16:
      AppendI16(out, value.whole);
      return;
    case PlanValue::Tag::kReal:
      AppendF64(out, value.real);
      return;
  }
  throw std::invalid_argument("line plan value with unknown tag " +
                              std::to_string(static_cast<unsigned>(value.tag)));
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

void AppendCell(std::string& out, const RouteCell& cell) {
  AppendU8(out, cell.kind);
  AppendI16(out, cell.param1);
  AppendI16(out, cell.param2);
  AppendI16(out, cell.param3);
  AppendI16(out, cell.param4);
  AppendU8(out, cell.signal_time);
  AppendU8(out, cell.approach_mark);
  AppendU8(out, cell.mountain_kind);
  AppendU8(out, cell.speed_code);
  AppendU8(out, cell.gradient_code);
  AppendU8(out, cell.adhesion);
}

}  // namespace

std::string EncodeLinePlan(const TrackPlan& plan) {
  std::string out;
  if (!plan.exists()) return out;
  std::size_t size = 0;
  for (int coordinate = 0; coordinate <= 1; ++coordinate) {
    for (std::int32_t metre = 0; metre <= plan.last(); ++metre) {
      size += layout::PlanValueSize(plan.at(metre, coordinate).tag);
    }
  }
  out.reserve(size);
  for (int coordinate = 0; coordinate <= 1; ++coordinate) {
    for (std::int32_t metre = 0; metre <= plan.last(); ++metre) {
      AppendPlanValue(out, plan.at(metre, coordinate));
    }
  }
  assert(out.size() == size);
  return out;
}

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
  const std::size_t size = grid.cells().size() * layout::kCellRecordSize;
  std::string out;
  out.reserve(size);
  for (const RouteCell& cell : grid.cells()) AppendCell(out, cell);
  assert(out.size() == size);
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
  std::vector<std::string> contents;
  contents.reserve(names.size());
  if (WritesLinePlan(tables)) contents.push_back(EncodeLinePlan(tables.track_plan));
  contents.push_back(EncodeTrainTable(tables.scenario_table));
  contents.push_back(EncodeRouteGrid(tables.route_cells));
  assert(contents.size() == names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    ReplaceFile(JoinPath(directory, names[i]), contents[i]);
  }
}

}  // namespace packager

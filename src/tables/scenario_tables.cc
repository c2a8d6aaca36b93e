#include "tables/scenario_tables.h"

#include <string>
#include <utility>

namespace packager {

void RouteGrid::Create(std::int32_t last) {
  if (last < 0) throw RunFailure("the route grid cannot have a negative size");
  cells_.assign(static_cast<std::size_t>(last) + 1, RouteCell{});
}

RouteCell& RouteGrid::at(std::int64_t index) {
  if (!contains(index)) {
    throw RunFailure("cell " + std::to_string(index) + " lies outside the route grid (0 to " +
                     std::to_string(last_index()) + ")");
  }
  return cells_[static_cast<std::size_t>(index)];
}

const RouteCell& RouteGrid::at(std::int64_t index) const {
  return const_cast<RouteGrid*>(this)->at(index);
}

void ScenarioTables::RecordFault(std::int32_t code, FaultSource source) {
  error_code = code;
  error_position_set = false;
  error_source = std::move(source);
}

void ScenarioTables::RecordFault(std::int32_t code, std::int32_t position, FaultSource source) {
  error_code = code;
  error_position = position;
  error_position_set = true;
  error_source = std::move(source);
}

void ScenarioTables::ClearScenarioTable() {
  for (TableEntry& entry : scenario_table) entry = TableEntry{};
}

}  // namespace packager

#include "tables/scenario_tables.h"

#include <string>
#include <utility>

namespace packager {

void RouteGrid::Create(std::int32_t last) {
  if (last < 0) throw RunFailure("the route grid cannot have a negative size");
  cells_.assign(static_cast<std::size_t>(last) + 1, RouteCell{});
}

void RouteGrid::Check(std::int64_t index) const {
  if (!contains(index)) {
    throw RunFailure("cell " + std::to_string(index) + " lies outside the route grid (0 to " +
                     std::to_string(last_index()) + ")");
  }
}

RouteCell& RouteGrid::at(std::int64_t index) {
  Check(index);
  RouteCell& cell = cells_[static_cast<std::size_t>(index)];
  if (journaling_) journal_.push_back({index, cell});
  return cell;
}

const RouteCell& RouteGrid::at(std::int64_t index) const {
  Check(index);
  return cells_[static_cast<std::size_t>(index)];
}

RouteCell* RouteGrid::Span(std::int64_t first, std::int64_t end) {
  Check(first);
  RouteCell* const cells = cells_.data() + first;
  if (journaling_) {
    for (std::int64_t index = first; index < end; ++index) {
      journal_.push_back({index, cells_[static_cast<std::size_t>(index)]});
    }
  }
  return cells;
}

// Last kept first: a cell kept twice ends as it stood before the first.
void RouteGrid::Restore() {
  for (auto kept = journal_.rbegin(); kept != journal_.rend(); ++kept) {
    cells_[static_cast<std::size_t>(kept->index)] = kept->cell;
  }
  journal_.clear();
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

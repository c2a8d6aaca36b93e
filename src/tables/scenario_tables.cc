#include "tables/scenario_tables.h"

#include <string>

namespace packager {

double PlanValue::AsReal() const {
  switch (tag) {
    case Tag::kInt16:
      return static_cast<double>(whole);
    case Tag::kReal:
      return real;
    case Tag::kEmpty:
      break;
  }
  return 0.0;
}

void TrackPlan::Create(std::int32_t last) {
  if (last < 0) throw RunFailure("the line plan cannot have a negative size");
  exists_ = true;
  last_ = last;
  values_.assign(2 * (static_cast<std::size_t>(last) + 1), PlanValue{});
}

PlanValue& TrackPlan::at(std::int64_t metre, int coordinate) {
  if (!exists_ || metre < 0 || metre > last_ || coordinate < 0 || coordinate > 1) {
    throw RunFailure("metre " + std::to_string(metre) + " lies outside the line plan (0 to " +
                     std::to_string(last_) + ")");
  }
  return values_[static_cast<std::size_t>(coordinate) * (static_cast<std::size_t>(last_) + 1) +
                 static_cast<std::size_t>(metre)];
}

const PlanValue& TrackPlan::at(std::int64_t metre, int coordinate) const {
  return const_cast<TrackPlan*>(this)->at(metre, coordinate);
}

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

void ScenarioTables::RecordFault(std::int32_t code) {
  error_code = code;
  error_position_set = false;
  error_source = FaultSource{};
}

void ScenarioTables::RecordFault(std::int32_t code, std::int32_t position) {
  error_code = code;
  error_position = position;
  error_position_set = true;
  error_source = FaultSource{};
}

void ScenarioTables::ClearScenarioTable() {
  for (TableEntry& entry : scenario_table) entry = TableEntry{};
}

}  // namespace packager

// The line's plan view as a standalone SVG picture: the track seen from
// above, north up, with its stations, signals and slowdowns.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "tables/scenario_tables.h"

namespace packager::render {

struct PlanPicture {
  std::string svg;
  int stations = 0;
  int signals = 0;
  int slowdowns = 0;
  int off_plan = 0;  // marks on no point of the plan, not drawn
};

// The picture of the plan, with the stations of `table` and the signals and
// slowdowns of `grid` when given. None when the plan holds no point to draw.
std::optional<PlanPicture> DrawPlan(const TrackPlan& plan,
                                    const std::array<TableEntry, kScenarioTableSize>* table,
                                    const RouteGrid* grid, const std::string& title);

}  // namespace packager::render

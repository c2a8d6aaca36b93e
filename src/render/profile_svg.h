// The line at a glance: a linear diagram of a compiled scenario along the
// distance, as route-knowledge sheets are drawn.
#pragma once

#include <string>

#include "tables/scenario_tables.h"

namespace packager::render {

// A standalone SVG picture of the tables' route grid, train table and line
// plan (an absent plan draws no curves). title heads the picture; each row
// draws row_km kilometres at 70 pixels a kilometre (the report page asks for
// rows that fit its width).
inline constexpr int kProfileRowKm = 20;
std::string ProfileSvg(const ScenarioTables& tables, const std::string& title,
                       int row_km = kProfileRowKm);

}  // namespace packager::render

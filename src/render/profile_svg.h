// The line at a glance: a linear diagram of a compiled scenario along the
// distance, as route-knowledge sheets are drawn.
#pragma once

#include <string>

#include "tables/scenario_tables.h"

namespace packager::render {

// A standalone SVG picture of the tables' route grid, train table and line
// plan (an absent plan draws no curves). title heads the picture.
std::string ProfileSvg(const ScenarioTables& tables, const std::string& title);

}  // namespace packager::render

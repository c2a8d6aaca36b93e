// Puts the three kilometric progressive records (entries 81 "tre", 82 "due",
// 83 "uno" of the scenario table) into their fixed order and applies the
// adjustment of a third value equal to 1.
#pragma once

#include "tables/scenario_tables.h"

namespace packager {

// Orders by first value, largest into entry 81 (a shared largest value
// clears all three); when the first values sum to 0, selects by second value
// instead. Then every entry whose position is 1 gets 100 added to its end.
void progressive_ordina(ScenarioTables& tables);

}  // namespace packager

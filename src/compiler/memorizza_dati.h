// The reading stage: both description texts back into the scenario tables.
#pragma once

#include <string>

#include "tables/scenario_tables.h"

namespace packager {

// Reads the line description and then the train description from directory,
// deleting each text. Faults are recorded in tables.error_code; any run-time
// failure on the way (a text that ends inside a record, a value that does not
// fit its field, a record reaching outside the tables) is caught here: both
// texts are deleted if still present and code 25 is recorded. Never throws.
void memorizza_dati(ScenarioTables& tables, const std::string& directory);

}  // namespace packager

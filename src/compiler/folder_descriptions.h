// The two descriptions of a scenario folder as the compile stage reads them:
// the folder's converted texts (Windows-1252, CR LF), held in memory under
// the names a run gives them.
#pragma once

#include "compiler/description_texts.h"
#include "sources/scenario_folder.h"
#include "tables/scenario_tables.h"

namespace packager {

// The folder's two descriptions; the tables get the folder's name and train
// number.
MemoryTexts DescriptionsOf(const ScenarioFolder& folder, ScenarioTables& tables);

}  // namespace packager

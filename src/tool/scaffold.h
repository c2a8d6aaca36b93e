// The scenario folder that `scenario-tool new` writes: a short line and its
// train that use every record kind of both description texts once or more,
// with notes for the author where the texts allow them, and the three crew
// documents laid out as the checker compares them. It checks with no error
// and no warning, compiles and packages, for every sound name and number.
#pragma once

#include "sources/scenario_folder.h"

namespace packager::tool {

// The six files of a new scenario folder by name (scenario.txt and the five
// UTF-8 texts), for a name and train number that IdentityProblem accepts.
FolderFiles ScaffoldFiles(const ScenarioIdentity& identity);

}  // namespace packager::tool

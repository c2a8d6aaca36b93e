// The scenario folder that `scenario-tool new` writes: a short line and its
// train that use every record kind of both description texts once or more,
// with notes for the author where the texts allow them, and the three crew
// documents laid out as the checker compares them. It checks with no error
// and no warning, compiles and packages, for every sound name and number.
#pragma once

#include <string>

#include "sources/scenario_folder.h"

namespace packager::tool {

// The six files of a new scenario folder by name (scenario.txt and the five
// UTF-8 texts), for a name and train number that IdentityProblem accepts.
FolderFiles ScaffoldFiles(const ScenarioIdentity& identity);

// The folder a command writes a scenario folder into (new, decompile):
// created when absent; a UsageError when a file has its name or it already
// holds something, since nothing of an author's may be overwritten.
void PrepareNewFolder(const std::string& directory);

}  // namespace packager::tool

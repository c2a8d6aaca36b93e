// What the tool's pictures and pages share: text made safe for XML and HTML,
// and a scenario folder compiled in memory as the build compiles it.
#pragma once

#include <string>

#include "compiler/compile_stage.h"
#include "sources/scenario_folder.h"
#include "tables/scenario_tables.h"

namespace packager::tool {

// Text for an element or an attribute value: as ShownText shows it, control
// characters (which XML cannot hold) escaped, then &, <, > and " escaped.
std::string XmlEscaped(const std::string& utf8);

// Compiles the folder's two descriptions in memory (plan included) into
// tables, which get the folder's name and train number.
CompileOutcome CompileFolder(const ScenarioFolder& folder, ScenarioTables& tables);

}  // namespace packager::tool

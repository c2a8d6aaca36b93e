// The report page on a scenario folder: one self-contained HTML page with
// the check's diagnostics and their lines in context, the profile and the
// plan, the objects as compiled and the binary files they make.
#pragma once

#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "tables/scenario_tables.h"
#include "check/diagnostics.h"

namespace packager::render {

// The page on the folder `directory` (as the author named it) with its
// diagnostics; tables and outcome are the folder compiled in memory, both
// null when the folder was refused (the diagnostics say why). The pictures
// and tables are left out when no route grid was compiled.
std::string ReportPage(const std::string& directory,
                       const std::vector<tool::Diagnostic>& diagnostics,
                       const ScenarioTables* tables, const CompileOutcome* outcome);

}  // namespace packager::render

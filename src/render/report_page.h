// The report page on a scenario folder: one self-contained HTML page with
// the check's diagnostics and their lines in context, the profile and the
// plan, the objects and the line's running values as compiled, and the
// binary files they make.
#pragma once

#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"
#include "check/diagnostics.h"

namespace packager::render {

// The page on the folder `directory` (as the author named it) with its
// diagnostics; tables and outcome are the folder compiled in memory, both
// null when the folder was refused (the diagnostics say why). The pictures
// and tables are left out when no route grid was compiled. log, the reading
// log of that compile when given, names the record of every row (file:line)
// and tells the packager's own abbattimento points from the records'.
std::string ReportPage(const std::string& directory,
                       const std::vector<tool::Diagnostic>& diagnostics,
                       const ScenarioTables* tables, const CompileOutcome* outcome,
                       const ReadingLog* log = nullptr);

}  // namespace packager::render
